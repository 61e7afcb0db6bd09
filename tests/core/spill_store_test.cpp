// SPDX-License-Identifier: MIT
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <string>

#include <sys/resource.h>

#include "core/rtf_writer.h"
#include "core/spill_store.h"
#include "core/text_model.h"
#include "core/text_search.h"
#include "tests/support/test_registry.h"

using ferrotap::TextModel;
using ferrotap::TextStoreLimits;

namespace {

constexpr ferrotap::Color kColors[] = {0x0000FF, 0xFF0000, 0x008000};

// Lines of a capture in three colours, with a byte value and a line number in each.
std::string Fill(TextModel& m, int lines) {
  std::string all;
  for (int i = 0; i < lines; ++i) {
    const std::string text = "line " + std::to_string(i) + " " + std::string(1, char(i | 0x80)) + "\r\n";
    m.SetInsertColor(kColors[i % 3]);
    m.InsertAtCaret(text);
    all += text;
  }
  return all;
}

}  // namespace

class SpillStoreTest : public QObject {
  Q_OBJECT

 private slots:
  // Selection, search and save across the boundary between the store and memory.
  void spilledCaptureReadsBack() {
    QTemporaryDir folder;
    TextModel m({1000, TextStoreLimits::kUnlimited, 256, folder.path().toStdString()});
    const std::string all = Fill(m, 400);
    QVERIFY(m.StoredLength() > 2000);
    QVERIFY(m.MemoryLength() <= 1000);
    QCOMPARE(m.Text(), all);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 0);  // unlinked while open
    const std::size_t base = m.StoredLength();
    m.Select(base - 5, base + 7);
    QCOMPARE(m.SelectedText(), all.substr(base - 5, 12));
    const std::string across = all.substr(base - 3, 6);
    const std::size_t found = ferrotap::FindForward(m, {across, true}, 0);
    QCOMPARE(found, all.find(across));
    QCOMPARE(ferrotap::FindBackward(m, {"line 0 ", true}, m.Length()), std::size_t{0});
    const QString path = folder.filePath("saved.txt");
    QCOMPARE(ferrotap::SaveTextFile(path.toStdString(), m), std::string());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().toStdString(), all);
    // Stopped by its progress function, a save leaves the file as it was.
    const auto stop = [](std::size_t, std::size_t) { return false; };
    QCOMPARE(ferrotap::SaveTextFile(path.toStdString(), m, stop),
             std::string(ferrotap::kSaveCancelled));
    QCOMPARE(QFileInfo(path).size(), qint64(all.size()));
    m.Clear();
    QCOMPARE(m.Length(), 0u);
    QCOMPARE(m.StoredLength(), 0u);
  }

  // No store: said once, kept in memory up to the hard limit, then the oldest dropped with a line
  // that says how much.
  void storeThatCannotBeWritten_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing folder") << QString("/nonexistent/ferrotap");
    QTest::newRow("a file, not a folder") << QString("/etc/hostname");
  }

  void storeThatCannotBeWritten() {
    QFETCH(QString, folder);
    TextModel m({1000, 3000, 256, folder.toStdString()});
    const std::string first = Fill(m, 100);
    QCOMPARE(m.StoredLength(), 0u);
    QVERIFY(m.TakeStoreProblem().find("cannot keep its older text on disk") != std::string::npos);
    QCOMPARE(m.Text(), first);
    Fill(m, 200);
    QCOMPARE(m.TakeStoreProblem(), std::string());
    QVERIFY(m.DroppedBytes() > 0);
    QVERIFY(m.Length() <= 3000);
    const std::string marker =
        "[" + std::to_string(m.DroppedBytes()) + " bytes of the oldest text dropped";
    QVERIFY(m.Text().rfind(marker, 0) == 0);
    QCOMPARE(m.Runs().front().color, ferrotap::kSysWindowTextColor);
  }

  // A disk that fills up under a running capture (here a file size limit): the pages not written
  // stay readable, the problem is said once, the capture goes on in memory.
  void storeThatFillsUp() {
    QTemporaryDir folder;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before = {};
    QCOMPARE(::sigaction(SIGXFSZ, &ignore, &before), 0);
    rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small = {2000, limit.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    TextModel m({1000, 1 << 20, 256, folder.path().toStdString()});
    std::string all;
    std::string problem;
    QElapsedTimer waited;
    waited.start();
    while (problem.empty() && waited.elapsed() < 10000) {
      all += Fill(m, 20);
      problem = m.TakeStoreProblem();
    }
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    ::sigaction(SIGXFSZ, &before, nullptr);
    QVERIFY2(problem.find("cannot keep its older text on disk") != std::string::npos,
             problem.c_str());
    QVERIFY(m.StoredLength() > 0);  // pages written, and the one that failed, all still there
    all += Fill(m, 300);
    QCOMPARE(m.TakeStoreProblem(), std::string());
    QCOMPARE(m.Text(), all);
    QCOMPARE(m.DroppedBytes(), 0u);
  }

  // An edit in stored text brings it back while it fits below the hard limit; further back,
  // inserted text goes to the end and nothing is deleted.
  void editsInStoredText() {
    QTemporaryDir folder;
    TextModel m({500, 2000, 128, folder.path().toStdString()});
    std::string all = Fill(m, 300);
    const std::size_t near = m.StoredLength() - 10;
    m.Select(near, near + 20);
    m.InsertAtCaret("<new>");
    all.replace(near, 20, "<new>");
    QCOMPARE(m.Text(), all);
    QVERIFY(m.MemoryLength() <= 2000);
    m.Select(3, 8);
    m.DeleteSelection();
    m.InsertAtCaret("<end>");
    QCOMPARE(m.Text(), all + "<end>");
    QCOMPARE(m.Runs().back().color, kColors[299 % 3]);
  }

  void leftoversRemovedAtStart() {
    QTemporaryDir folder;
    const auto touch = [&](const char* name) {
      QFile f(folder.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
    };
    touch("ferrotap-store-Ab12Cd");
    touch("notes.txt");
    QCOMPARE(ferrotap::SpillStore::RemoveLeftovers(folder.path().toStdString()), 1u);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"notes.txt"});
  }
};

FERROTAP_TEST(SpillStoreTest)
#include "spill_store_test.moc"
