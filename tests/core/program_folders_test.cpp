// SPDX-License-Identifier: MIT
#include <sys/stat.h>

#include <QtTest>
#include <filesystem>

#include "core/command_line.h"
#include "core/program_folders.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class ProgramFoldersTest : public QObject {
  Q_OBJECT

 private slots:
  void chooseFolders_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("systemFolder");
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("dialogs");
    // Paths are relative to the test's folder; "prog" is the program's folder.
    QTest::newRow("writable program folder") << true << false << "cfg"
                                             << "prog/"
                                             << "prog/";
    QTest::newRow("read-only program folder") << false << false << "cfg"
                                              << "cfg/ferrotap/"
                                              << "home/";
    QTest::newRow("installed in the system folder") << true << true << "cfg"
                                                    << "cfg/ferrotap/"
                                                    << "home/";
    QTest::newRow("no XDG_CONFIG_HOME") << false << false << ""
                                        << "home/.config/ferrotap/"
                                        << "home/";
    QTest::newRow("relative XDG_CONFIG_HOME is ignored") << false << false << "relative/cfg"
                                                         << "home/.config/ferrotap/"
                                                         << "home/";
  }
  void chooseFolders() {
    QFETCH(bool, writable);
    QFETCH(bool, systemFolder);
    QFETCH(QString, xdg);
    QFETCH(QString, settings);
    QFETCH(QString, dialogs);
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    const std::string program = base + "prog";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(base + "home");
    if (!writable) QCOMPARE(chmod(program.c_str(), 0555), 0);
    const UserEnvironment environment{
        xdg.isEmpty() || !xdg.startsWith("cfg") ? xdg.toStdString() : base + xdg.toStdString(),
        base + "home", ""};

    const ProgramFolders folders =
        ChooseProgramFolders(program, environment, systemFolder ? program : "/usr/bin");
    QCOMPARE(QString::fromStdString(folders.settings), QString::fromStdString(base) + settings);
    QCOMPARE(QString::fromStdString(folders.dialogs), QString::fromStdString(base) + dialogs);
    // The settings folder is there to be written on the first start.
    QVERIFY(IsWritableFolder(folders.settings));
    QCOMPARE(IsWritableFolder(program), writable);
    chmod(program.c_str(), 0755);
  }

  // The data window's text store goes here; the folder is made when missing.
  void cacheFolder_data() {
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_CACHE_HOME") << "/cache" << "/cache/ferrotap/";
    QTest::newRow("unset") << "" << "/home/.cache/ferrotap/";
    QTest::newRow("relative is ignored") << "cache" << "/home/.cache/ferrotap/";
  }
  void cacheFolder() {
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    UserEnvironment environment;
    environment.home = base + "/home";
    environment.xdgCacheHome = xdg.startsWith('/') ? base + xdg.toStdString() : xdg.toStdString();
    const std::string folder = UserCacheFolder(environment);
    QCOMPARE(QString::fromStdString(folder), QString::fromStdString(base) + expected);
    QVERIFY(IsWritableFolder(folder));
  }

  void notAFolderIsNotWritable() {
    QTemporaryFile file;
    QVERIFY(file.open());
    QVERIFY(!IsWritableFolder(file.fileName().toStdString()));
    QVERIFY(!IsWritableFolder(""));
    QVERIFY(!IsWritableFolder("/no/such/folder"));
  }

  void commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("textStart");
    using Kind = CommandLineAction::Kind;
    const QString version = QString::fromStdString(VersionLine());
    QTest::newRow("none") << QStringList{} << int(Kind::Run) << 0 << "";
    QTest::newRow("--help") << QStringList{"--help"} << int(Kind::Print) << 0 << "Usage: ferrotap";
    QTest::newRow("-h wins over the rest") << QStringList{"-style", "fusion", "-h", "--bogus"}
                                           << int(Kind::Print) << 0 << "Usage: ferrotap";
    QTest::newRow("--version") << QStringList{"--version"} << int(Kind::Print) << 0 << version;
    QTest::newRow("toolkit options")
        << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse"} << int(Kind::Run)
        << 0 << "";
    QTest::newRow("unknown option")
        << QStringList{"--verbose"} << int(Kind::Fail) << 2
        << "ferrotap: unknown option '--verbose'\nTry 'ferrotap --help'";
    QTest::newRow("toolkit flag with a value") << QStringList{"-reverse=1"} << int(Kind::Fail) << 2
                                               << "ferrotap: unknown option '-reverse=1'";
    QTest::newRow("value missing") << QStringList{"-platform"} << int(Kind::Fail) << 2
                                   << "ferrotap: option '-platform' needs a value";
    QTest::newRow("stray argument") << QStringList{"capture.txt"} << int(Kind::Fail) << 2
                                    << "ferrotap: unexpected argument 'capture.txt'";
  }
  void commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, kind);
    QFETCH(int, exitCode);
    QFETCH(QString, textStart);
    std::vector<std::string> argv;
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    const CommandLineAction action = ParseCommandLine(argv);
    QCOMPARE(int(action.kind), kind);
    QCOMPARE(action.exitCode, exitCode);
    QVERIFY2(QString::fromStdString(action.text).startsWith(textStart), action.text.c_str());
  }
};

}  // namespace ferrotap

using ferrotap::ProgramFoldersTest;
FERROTAP_TEST(ProgramFoldersTest)
#include "program_folders_test.moc"
