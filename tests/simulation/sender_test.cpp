// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/data_window.h"
#include "app/main_window.h"
#include "core/render.h"
#include "app/pages/terminal_page.h"
#include "app/pages/com_setting_page.h"
#include "app/pages/ascii_commands_page.h"
#include "app/sender.h"
#include "simulation/table_file_lines.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"
#include "tests/support/virtual_peer.h"

namespace ferrotap {
namespace {

QString CableName() {
  static int next = 0;
  return QString("sender-%1").arg(++next);
}

QByteArray Pattern(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return bytes;
}

QByteArray Hex(const QByteArray& bytes) {
  return QByteArray::fromStdString(RenderBytes(DisplayFormat::Hex, bytes.toStdString()));
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// What a pseudo-terminal's master end has received so far.
QByteArray Drain(int master, QByteArray& got) {
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(master, buffer, sizeof buffer)) > 0) got.append(buffer, n);
  return got;
}

constexpr int kLargeFile = 2 << 20;  // far more than the output ring and the cable hold

}  // namespace

// Sending by hand on port A: typed strings, files, the command list, against a peer on the
// other end of port A's cable.
class SenderTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    peer_ = std::make_unique<test::VirtualPeer>(1, CableName());
    Open();
    QVERIFY(peer_->Connect());
  }
  void cleanup() {
    window_.reset();
    peer_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void typedString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lineEnd");  // 0 none, 1 CR, 2 CR/LF
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("error");
    QTest::newRow("blanks not trimmed") << "  " << 0 << QByteArray("  ") << "";
    QTest::newRow("A with CR/LF") << "A" << 2 << QByteArray("A\r\n") << "";
    QTest::newRow("escapes with CR") << "#065^A$00" << 1 << QByteArray("A\x01\0\r", 4) << "";
    QTest::newRow("malformed after valid ones")
        << "AB$0D#13X" << 2 << QByteArray() << "Falformed input string: #13X";
  }
  void typedString() {
    QFETCH(QString, text);
    QFETCH(int, lineEnd);
    QFETCH(QByteArray, sent);
    QFETCH(QString, error);
    terminal_->CBADDCRLF->setChecked(lineEnd != 0);
    window_->ComSetting()->RBCR->setChecked(lineEnd == 1);
    window_->ComSetting()->RBCRLF->setChecked(lineEnd != 1);
    terminal_->EDFLYTX->setText(text);
    QTest::mouseClick(terminal_->BBFLYTX, Qt::LeftButton);
    QCOMPARE(dialogs_.Errors(), error.isEmpty() ? QStringList() : QStringList{error});
    QTRY_COMPARE(peer_->Received(), sent);
    QCOMPARE(Text(), sent.isEmpty() ? QByteArray() : "\r\n" + Hex(sent));
    QCOMPARE(terminal_->EDFLYTX->text(), text);
  }

  void flyFileKeepsTheTypedLine() {
    QVERIFY(!terminal_->BBFLYTX->isEnabled());
    QVERIFY(terminal_->Savetofile2->isEnabled());
    const QString saved = dir_->filePath("empty.fly");
    dialogs_.AnswerFile(saved);
    terminal_->Savetofile2->trigger();
    QCOMPARE(ReadAll(saved), QByteArray("\r\n"));
    const FileDialogSpec spec{".FLY", window_->ExeDir(),
                              "Tx on fly files (*.fly)|*.fly|All files (*.*)|*.*"};
    QCOMPARE(dialogs_.SaveRequests().back(), spec);

    const QString lines = WriteFile("lines.fly", "AT$0D \xE9\r\nsecond\r\n");
    dialogs_.AnswerFile(lines);
    terminal_->Loadfromfile1->trigger();
    QCOMPARE(dialogs_.OpenRequests().back(), spec);
    QCOMPARE(terminal_->EDFLYTX->text(), QString::fromLatin1("AT$0D \xE9"));
    QVERIFY(terminal_->BBFLYTX->isEnabled());
    dialogs_.AnswerFile(saved);
    terminal_->Savetofile2->trigger();
    QCOMPARE(ReadAll(saved), QByteArray("AT$0D \xE9\r\n"));

    // A line longer than the field is refused whole, the typed line kept.
    const int room = terminal_->EDFLYTX->maxLength();
    dialogs_.AnswerFile(WriteFile("long.fly", QByteArray(room + 1, 'A') + "\r\n"));
    terminal_->Loadfromfile1->trigger();
    QVERIFY(dialogs_.Errors().last().endsWith(
        QString("long.fly: the line has %1 characters; the TX field holds at most %2.")
            .arg(room + 1)
            .arg(room)));
    QCOMPARE(terminal_->EDFLYTX->text(), QString::fromLatin1("AT$0D \xE9"));

    terminal_->EDFLYTX->clear();
    QVERIFY(!terminal_->BBFLYTX->isEnabled() && !terminal_->Savetofile2->isEnabled());
    dialogs_.AnswerFile(dir_->filePath("missing.fly"));
    terminal_->Loadfromfile1->trigger();
    QVERIFY(dialogs_.Errors().last().endsWith("missing.fly: No such file or directory"));
  }

  void fileGoesOutWholeInChunks_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("1024 + 476") << 1500;
    QTest::newRow("empty") << 0;
  }
  void fileGoesOutWholeInChunks() {
    QFETCH(int, size);
    const QByteArray content = Pattern(size);
    terminal_->CBADDCRLF->setChecked(true);  // never applies to files
    SendFile(WriteFile("data.bin", content));
    QCOMPARE(dialogs_.OpenRequests().back(),
             (FileDialogSpec{".*", window_->ExeDir(),
                             "All files (*.*)|*.*|Tx on fly files (*.fly)|*.fly|Txt files "
                             "(*.txt)|*.txt"}));
    QTRY_VERIFY(!window_->Transmit()->FileSending());
    QTRY_COMPARE(peer_->Received(), content);
    QCOMPARE(Text(), Hex(content));  // no line break before file chunks
    QVERIFY(dialogs_.Errors().isEmpty());
    QVERIFY(!terminal_->PBTXFILE->isVisibleTo(window_.get()));
  }

  // A peer that takes nothing for a while stands for a slow line: the ring fills and the send
  // waits for room, keeps the window alive and refuses a second send meanwhile.
  void fileLargerThanTheRingWaitsForRoom() {
    terminal_->CBECHO->setChecked(false);
    const QByteArray content = Pattern(kLargeFile);
    SendFile(WriteFile("large.bin", content));
    WaitUntilStalled();
    QVERIFY(terminal_->PBTXFILE->format().endsWith(QString(" of %1 bytes sent").arg(kLargeFile)));
    SendFile(WriteFile("other.bin", "x"));
    terminal_->EDFLYTX->setText("y");
    terminal_->BBFLYTX->click();
    QCOMPARE(dialogs_.Errors().size(), 2);
    QVERIFY(dialogs_.Errors()[0].startsWith("A file is being sent."));
    QTRY_COMPARE_WITH_TIMEOUT(peer_->Received().size(), content.size(), 30000);
    QVERIFY(peer_->Received() == content);
    QVERIFY(!window_->Transmit()->FileSending());
    QCOMPARE(dialogs_.Errors().size(), 2);
  }

  void cancelStopsBetweenChunks() {
    const QByteArray content = Pattern(kLargeFile);
    SendFile(WriteFile("large.bin", content));
    WaitUntilStalled();
    terminal_->BBTXSTOP->click();
    QVERIFY(!window_->Transmit()->FileSending());
    // Every chunk queued before the cancel goes out, was echoed, and nothing else.
    const QByteArray echoed = Text();
    QTRY_COMPARE(Hex(peer_->Received()), echoed);
    const QByteArray got = peer_->Received();
    QVERIFY(got.size() > 0 && got.size() < content.size());
    QCOMPARE(got.size() % 1024, 0);
    QVERIFY(content.startsWith(got));
    QTest::qWait(200);
    QCOMPARE(peer_->Received().size(), got.size());
    QVERIFY(dialogs_.Errors().isEmpty());

    // Closing the ports under a send ends it with a word to the user.
    SendFile(WriteFile("large.bin", content));
    WaitUntilStalled();
    window_->ClosePorts();
    QVERIFY(!window_->Transmit()->FileSending());
    QCOMPARE(dialogs_.Errors().size(), 1);
    QVERIFY(dialogs_.Errors()[0].startsWith("The file send stopped after "));
  }

  // A pseudo-terminal whose other side goes away stands for a pulled adapter.
  void portLostDuringFileSend() {
    window_.reset();
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("FERROTAP_COM1", name);
    Open();
    close(slave);
    SendFile(WriteFile("large.bin", Pattern(kLargeFile)));
    WaitUntilStalled();
    close(master);
    QTRY_COMPARE(dialogs_.Errors().size(), 2);
    QVERIFY(dialogs_.Errors()[0].startsWith("Com A lost"));
    QVERIFY(dialogs_.Errors()[1].endsWith("bytes: the port was lost."));
    QVERIFY(!window_->Transmit()->FileSending());
    QVERIFY(!terminal_->PBTXFILE->isVisibleTo(window_.get()));
    // Sends after the loss are refused, one message each, and nothing more reaches the line.
    const QByteArray before = Text();
    terminal_->EDFLYTX->setText("after");
    terminal_->BBFLYTX->click();
    QCOMPARE(dialogs_.Errors().size(), 3);
    QVERIFY(dialogs_.Errors()[2].endsWith("is lost: nothing was sent"));
    QCOMPARE(Text(), before);
    QTest::qWait(200);
    QCOMPARE(dialogs_.Errors().size(), 3);
  }

  void commandListSendsTheSelectedCommand() {
    terminal_->CBUSEAC->setChecked(true);
    QVERIFY(terminal_->CBOXAC->isEnabled() && terminal_->BBACTX->isEnabled());
    terminal_->BBACTX->click();  // nothing applied yet
    QCOMPARE(dialogs_.Beeps(), 1);
    SetCell(1, "one");
    SetCell(3, "ATZ");
    SetCell(5, "   ");
    Apply();
    QVERIFY(!commands_->BBACAPPLY->isEnabled());
    QCOMPARE(dialogs_.Infos(), QStringList{"Table validated and applied"});
    QCOMPARE(Items(), QStringList({"F01 - one", "F03 - ATZ", "F05 -    "}));
    QCOMPARE(terminal_->CBOXAC->currentIndex(), 0);
    terminal_->CBOXAC->setCurrentIndex(1);
    terminal_->CBADDCRLF->setChecked(true);
    window_->ComSetting()->RBCR->setChecked(true);
    terminal_->BBACTX->click();
    QTRY_COMPARE(peer_->Received(), QByteArray("ATZ\r"));
    QCOMPARE(Text(), "\r\n" + Hex("ATZ\r"));

    // A malformed cell: earlier entries change, later ones and the list stay.
    SetCell(1, "new");
    SetCell(2, "AB$G1");
    SetCell(3, "changed");
    Apply();
    QCOMPARE(dialogs_.Errors(),
             QStringList{"Process aborted. Malformed string : $G1  in COMM 2:  AB$G1"});
    QCOMPARE(window_->AsciiCommandTable()[0], Bytes("new"));
    QCOMPARE(window_->AsciiCommandTable()[1], Bytes("AB"));
    QCOMPARE(window_->AsciiCommandTable()[2], Bytes("ATZ"));
    QCOMPARE(Items(), QStringList({"F01 - one", "F03 - ATZ", "F05 -    "}));

    dialogs_.AnswerConfirm(true);
    commands_->BBACCLEAR->click();
    QCOMPARE(dialogs_.Confirmations(), QStringList{"Clear Table ?"});
    QCOMPARE(Items().size(), 3);  // the cleared grid counts from the next Apply
    Apply();
    QCOMPARE(Items(), QStringList());
    for (const Bytes& entry : window_->AsciiCommandTable()) QVERIFY(entry.empty());
  }

  void editingACellEnablesApply() {
    QVERIFY(!commands_->BBACAPPLY->isEnabled());
    window_->show();
    window_->PageControl1->setCurrentIndex(4);
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    commands_->SGAC->editItem(commands_->SGAC->item(2, 1));
    QVERIFY(commands_->BBACAPPLY->isEnabled());
  }

  void astFileSavesAndLoads() {
    SetCell(3, " ATZ$0D ");
    SetCell(4, "  ");
    SetCell(12, "a;b");
    const QString path = dir_->filePath("t.ast");
    dialogs_.AnswerFile(path);
    commands_->BBACSAVE->click();
    QCOMPARE(ReadAll(path), QByteArray("KOB - ASCII COMMANDS Tables\r\n03;ATZ$0D\r\n12;a;b\r\n"));
    QCOMPARE(dialogs_.Infos(), QStringList{"Table saved."});
    QCOMPARE(dialogs_.SaveRequests().back().filter,
             "ASCII COMMAND Tables (*.ast)|*.ast|All files (*.*)|*.*");

    // Another kind of file leaves the grid alone.
    const QString wrong = WriteFile("wrong.ast", "something else\r\n01;x\r\n");
    dialogs_.AnswerFile(wrong);
    commands_->BBACLOAD->click();
    QCOMPARE(dialogs_.Errors(), QStringList{"File format not compatible (" + wrong + ")"});
    QCOMPARE(Cell(3), " ATZ$0D ");
    QCOMPARE(dialogs_.OpenRequests().back().filter,
             "ASCII command Tables (*.ast)|*.ast|All files (*.*)|*.*");

    dialogs_.AnswerFile(WriteFile("bad.ast", "KOB - ASCII COMMANDS Tables\nxx;a\n05;b\n40;c\n"));
    commands_->BBACLOAD->click();
    QCOMPARE(dialogs_.Errors().mid(1),
             QStringList({"Table not compatible !", "Table not compatible !"}));
    QCOMPARE(Cell(3), "");
    QCOMPARE(Cell(5), "b");
    QCOMPARE(dialogs_.Infos().size(), 1);  // not applied

    dialogs_.AnswerFile(path);
    commands_->BBACLOAD->click();
    QCOMPARE(Cell(3), "ATZ$0D");
    QCOMPARE(Cell(5), "");
    QCOMPARE(dialogs_.Infos().last(), "Table validated and applied");
    QCOMPARE(window_->AsciiCommandTable()[2], Bytes("ATZ\r"));
    QCOMPARE(Items(), QStringList({"F03 - ATZ$0D", "12 - a;b"}));

    // A line that reaches no cell is named, and the table is not applied.
    const QString odd = WriteFile("odd.ast", "KOB - ASCII COMMANDS Tables\n05;b\n\n6;c\n");
    dialogs_.AnswerFile(odd);
    commands_->BBACLOAD->click();
    QCOMPARE(dialogs_.Errors().last(),
             "A line was not loaded; the table is not applied (" + odd + ", line 4)");
    QCOMPARE(Cell(5), "b");
    QCOMPARE(window_->AsciiCommandTable()[4], Bytes());
  }

  // The longest text the grid's editor takes comes back whole from its file.
  void longestCellSavesAndLoads() {
    window_->show();
    window_->PageControl1->setCurrentIndex(4);
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    commands_->SGAC->editItem(commands_->SGAC->item(2, 1));
    auto* editor = commands_->SGAC->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->maxLength(), kGridCellMaxLength);
    QString cell;
    for (int i = 0; cell.size() < kGridCellMaxLength; ++i)
      cell += QChar(i % 3 == 0 ? ';' : 'a' + i % 26);
    cell.truncate(kGridCellMaxLength);
    editor->setText(cell);
    emit commands_->SGAC->itemDelegate()->commitData(editor);
    QCOMPARE(Cell(2), cell);
    const QString path = dir_->filePath("long.ast");
    dialogs_.AnswerFile(path);
    commands_->BBACSAVE->click();
    SetCell(2, "");
    dialogs_.AnswerFile(path);
    commands_->BBACLOAD->click();
    QCOMPARE(Cell(2), cell);
    QCOMPARE(dialogs_.Errors(), QStringList());
    QCOMPARE(dialogs_.Infos().last(), "Table validated and applied");
    QCOMPARE(window_->AsciiCommandTable()[1].size(), std::size_t(kGridCellMaxLength));
  }

  // Bytes checked at a pseudo-terminal peer: a typed string, a command from the list, F3, a file.
  void endToEndOnAPseudoTerminal() {
    window_.reset();
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios tio{};
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);
    fcntl(master, F_SETFL, O_NONBLOCK);
    qputenv("FERROTAP_COM1", name);
    Open();
    QByteArray got;
    terminal_->CBADDCRLF->setChecked(true);
    terminal_->EDFLYTX->setText("AT$0D");
    terminal_->BBFLYTX->click();
    QTRY_COMPARE(Drain(master, got), QByteArray("AT\r\r\n"));

    SetCell(2, "two");
    SetCell(3, "#051");
    Apply();
    terminal_->CBUSEAC->setChecked(true);
    terminal_->BBACTX->click();
    QTRY_COMPARE(Drain(master, got), QByteArray("AT\r\r\ntwo\r\n"));
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    terminal_->EDFLYTX->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), terminal_->EDFLYTX);
    QTest::keyClick(terminal_->EDFLYTX, Qt::Key_F3);
    QTRY_COMPARE(Drain(master, got), QByteArray("AT\r\r\ntwo\r\n3\r\n"));

    const QByteArray content = Pattern(5000);
    SendFile(WriteFile("e2e.bin", content));
    QTRY_COMPARE(Drain(master, got).size(), 13 + content.size());
    QVERIFY(got.endsWith(content));
    QVERIFY(dialogs_.Errors().isEmpty());
    window_.reset();
    close(slave);
    close(master);
  }

 private:
  void Open() {
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    terminal_ = window_->Terminal();
    commands_ = window_->findChild<AsciiCommandsPage*>("TabSheet5");
  }
  QByteArray Text() const { return QByteArray::fromStdString(window_->REA->Text()); }
  QString WriteFile(const QString& name, const QByteArray& content) {
    const QString path = dir_->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(content);
    return path;
  }
  void SendFile(const QString& path) {
    dialogs_.AnswerFile(path);
    terminal_->BBTXFILE->click();
  }
  // Until the sent count stops growing: the ring and the cable are full.
  void WaitUntilStalled() {
    QString before;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          const QString now = terminal_->PBTXFILE->format();
          const bool same = now == before && !now.startsWith("0 of");
          before = now;
          return same;
        }(),
        10000);
    QVERIFY(window_->Transmit()->FileSending());
    QVERIFY(terminal_->PBTXFILE->isVisibleTo(window_.get()));
  }
  // As after editing a cell, which enables "Apply".
  void Apply() {
    commands_->BBACAPPLY->setEnabled(true);
    commands_->BBACAPPLY->click();
  }
  void SetCell(int row, const QString& text) { commands_->SGAC->item(row, 1)->setText(text); }
  QString Cell(int row) const { return commands_->SGAC->item(row, 1)->text(); }
  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < terminal_->CBOXAC->count(); ++i) items << terminal_->CBOXAC->itemText(i);
    return items;
  }

  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<test::VirtualPeer> peer_;
  std::unique_ptr<MainWindow> window_;
  TerminalPage* terminal_ = nullptr;
  AsciiCommandsPage* commands_ = nullptr;
};

}  // namespace ferrotap

using ferrotap::SenderTest;
FERROTAP_TEST(SenderTest)
#include "sender_test.moc"
