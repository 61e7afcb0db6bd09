// SPDX-License-Identifier: MIT
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>
#include <csignal>
#include <string>

#include "serial/key_value.h"
#include "core/printable_text.h"
#include "core/safe_file.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

std::string Slurp(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll().toStdString();
}

// The message of the FileError a call throws, or "<none>".
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const FileError& error) {
    return error.what();
  }
  return "<none>";
}

}  // namespace

class SafeFileTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { dir_.emplace(); }

  void printableText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain") << QByteArray("COM 1") << QByteArray("COM 1");
    QTest::newRow("NUL does not cut") << QByteArray("a\0b", 3) << QByteArray("a$00b");
    QTest::newRow("controls") << QByteArray("\r\n\x7f") << QByteArray("$0D$0A$7F");
    QTest::newRow("UTF-8 kept") << QByteArray("caf\xc3\xa9") << QByteArray("caf\xc3\xa9");
    QTest::newRow("lone Latin-1") << QByteArray("caf\xe9") << QByteArray("caf$E9");
    QTest::newRow("overlong") << QByteArray("\xc0\x80") << QByteArray("$C0$80");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("$ED$A0$80");
    QTest::newRow("cut sequence") << QByteArray("\xe2\x82") << QByteArray("$E2$82");
  }
  void printableText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, shown);
    QCOMPARE(QByteArray::fromStdString(PrintableText(bytes.toStdString())), shown);
  }

  void writeReplacesAndKeepsMode() {
    const QString path = dir_->filePath("a.cps");
    WriteTextLines(path.toStdString(), {"old"});
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0640) == 0);
    WriteTextLines(path.toStdString(), {"x=1", "y=2"});
    QCOMPARE(Slurp(path), std::string("x=1\r\ny=2\r\n"));
    struct stat st {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t{0640});
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"a.cps"});
  }

  void saveThroughLinkUpdatesItsFile() {
    const QString real = dir_->filePath("real.cps");
    const QString link = dir_->filePath("link.cps");
    WriteTextLines(real.toStdString(), {"old"});
    QVERIFY(QFile::link(real, link));
    WriteTextLines(link.toStdString(), {"new"});
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(Slurp(real), std::string("new\r\n"));
  }

  // A full disk, simulated by a file-size limit: the save fails with a message naming the file,
  // the old content stays and no temporary file is left behind.
  void failedSaveKeepsTheOldFile() {
    const QString path = dir_->filePath("Port_CFG.cps");
    WriteTextLines(path.toStdString(), {"Spy_Mode=False"});
    struct rlimit saved {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    const std::string error = ErrorOf([&] {
      WriteTextLines(path.toStdString(), std::vector<std::string>(100, std::string(100, 'x')));
    });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(error, "Saving " + path.toStdString() + ": File too large");
    QCOMPARE(Slurp(path), std::string("Spy_Mode=False\r\n"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"Port_CFG.cps"});
  }

  void saveErrorsNameFileAndAction() {
    const std::string folder = dir_->path().toStdString();
    QCOMPARE(ErrorOf([&] { WriteTextLines(folder, {"x"}); }),
             "Saving " + folder + ": Is a directory");
    QCOMPARE(ErrorOf([&] { WriteTextLines(folder + "/missing/a.cps", {"x"}); }),
             "Saving " + folder + "/missing/a.cps: No such file or directory");
    const std::string fifo = folder + "/pipe";
    QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);
    QCOMPARE(ErrorOf([&] { WriteTextLines(fifo, {"x"}); }),
             "Saving " + fifo + ": not a regular file");
  }

  // None of these may hang or read without end.
  void readerTakesRegularFilesOnly() {
    const std::string folder = dir_->path().toStdString();
    const std::string fifo = folder + "/Port_CFG.cps";
    QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);
    QCOMPARE(ErrorOf([&] { ReadTextLines(fifo); }), "Reading " + fifo + ": not a regular file");
    QCOMPARE(ErrorOf([&] { ReadTextLines(folder); }), "Reading " + folder + ": Is a directory");
    QCOMPARE(ErrorOf([&] { ReadTextLines("/dev/zero"); }),
             std::string("Reading /dev/zero: not a regular file"));
    QCOMPARE(ErrorOf([&] { ReadTextLines(folder + "/none.cps"); }),
             "Reading " + folder + "/none.cps: No such file or directory");
    const std::string big = folder + "/big.cps";
    WriteTextLines(big, {});
    QVERIFY(::truncate(big.c_str(), kMaxTextFileBytes + 1) == 0);
    QCOMPARE(ErrorOf([&] { ReadTextLines(big); }),
             "Reading " + big + ": larger than " + std::to_string(kMaxTextFileBytes) + " bytes");
    QVERIFY(::truncate(big.c_str(), kMaxTextFileBytes) == 0);
    QCOMPARE(ReadRegularFile(big, kMaxTextFileBytes).size(), kMaxTextFileBytes);
  }

 private:
  std::optional<QTemporaryDir> dir_;
};

FERROTAP_TEST(SafeFileTest)

}  // namespace ferrotap

#include "safe_file_test.moc"
