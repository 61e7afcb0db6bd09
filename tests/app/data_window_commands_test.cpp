// SPDX-License-Identifier: MIT
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/widgets/color_swatch.h"
#include "app/data_window.h"
#include "app/main_window.h"
#include "app/status_strip.h"
#include "core/capture_log_writer.h"
#include "session/session.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

// Line ends of any kind read as one '\n', so the check holds for every line break the window uses.
QString Lines(const std::string& text) {
  QString lines = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  lines.replace("\r\n", "\n");
  lines.replace('\r', '\n');
  return lines;
}

QColor Middle(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

}  // namespace

class DataWindowCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    window_ = std::make_unique<MainWindow>(dir_->path(), &dialogs_);
    swatch_ = window_->findChild<ColorSwatch*>("BLOCOL");
    selector_ = window_->findChild<QComboBox*>("CBWCOLOR");
    apply_ = window_->findChild<QPushButton*>("BBCOMAPPLY");
  }
  void cleanup() {
    window_.reset();
    dialogs_ = test::ScriptedDialogs();
  }

  void clearEmptiesWindow() {
    window_->REA->InsertText("41 42 ");
    window_->Clear1Click();
    QCOMPARE(window_->REA->Text(), std::string());
  }

  // Delete in the transmit edit clears the window; Ctrl+Z in it or "Undo clear" brings the text
  // back, until new text arrives.
  void clearUndoneUntilTextArrives_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Ctrl+Z") << true;
    QTest::newRow("menu") << false;
  }
  void clearUndoneUntilTextArrives() {
    QFETCH(bool, byKey);
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* edit = window_->findChild<QLineEdit*>("EDFLYTX");
    QAction* undo = window_->REA->PopupMenu()->findChild<QAction*>("UndoClear1");
    QVERIFY(undo != nullptr);
    QCOMPARE(undo->text(), "Undo clear");
    window_->REA->SetInsertColor(0x0000FF);
    window_->REA->InsertText("41 42 \r\n43 ");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(window_->REA->Text(), std::string());
    QVERIFY(window_->REA->CanUndoClear());
    if (byKey) {
      window_->REA->setFocus();
      QTest::keyClick(window_->REA, Qt::Key_Z, Qt::ControlModifier);
    } else {
      undo->trigger();
    }
    QCOMPARE(window_->REA->Text(), std::string("41 42 \r\n43 "));
    QCOMPARE(window_->REA->Runs().front().color, Color{0x0000FF});
    QCOMPARE(window_->REA->CaretPosition(), window_->REA->Text().size());
    QVERIFY(!window_->REA->CanUndoClear());
    window_->Clear1Click();
    window_->REA->InsertText("44 ");
    QVERIFY(!window_->REA->CanUndoClear());
    undo->trigger();
    QCOMPARE(window_->REA->Text(), std::string("44 "));
  }

  void clsOnTerminalPageFocusesWindow() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->findChild<QWidget*>("EDFLYTX")->setFocus();
    window_->REA->InsertText("abc");
    QTest::mouseClick(window_->findChild<QPushButton*>("SBCREALDWIN"), Qt::LeftButton);
    QCOMPARE(window_->REA->Text(), std::string());
    QTRY_VERIFY(window_->REA == QApplication::focusWidget() ||
                window_->REA->isAncestorOf(QApplication::focusWidget()));
  }

  void clsOnOtherPageKeepsFocus() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->PageControl1->setCurrentIndex(1);
    auto* port = window_->findChild<QWidget*>("CBPortA");
    port->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), port);
    window_->REA->InsertText("abc");
    window_->SBCREALDWINClick();
    QCOMPARE(window_->REA->Text(), std::string());
    QCOMPARE(QApplication::focusWidget(), port);
  }

  void clearSelectedText() {
    window_->REA->InsertText("abcdef");
    window_->REA->SetCaretPosition(2);
    window_->Savetifile1Click();
    QCOMPARE(window_->REA->Text(), std::string("abcdef"));
    window_->REA->Select(1, 3);
    window_->Savetifile1Click();
    QCOMPARE(window_->REA->Text(), std::string("adef"));
  }

  void newLineAtCursorSplitsLine() {
    window_->REA->InsertText("abcd");
    window_->REA->SetCaretPosition(2);
    window_->NewLineatcursor1Click();
    QCOMPARE(Lines(window_->REA->Text()), "ab\ncd");
    window_->REA->InsertText("X");
    QCOMPARE(Lines(window_->REA->Text()), "ab\nXcd");
  }

  void saveTextAsked() {
    const QString path = dir_->filePath("out.txt");
    dialogs_.AnswerFile(path);
    window_->REA->InsertText("41 42 ");
    window_->Savetoplanfile1Click();
    QCOMPARE(dialogs_.SaveRequests().size(), std::size_t{1});
    const FileDialogSpec expected{".txt", window_->ExeDir(),
                                  "TXT files (*.txt)|*.txt|All files (*.*)|*.*"};
    QCOMPARE(dialogs_.SaveRequests().front(), expected);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("41 42 "));
    QVERIFY(dialogs_.Errors().isEmpty());
    QCOMPARE(window_->REA->Text(), std::string("41 42 "));
  }

  void saveRtfAsked() {
    const QString path = dir_->filePath("out.rtf");
    dialogs_.AnswerFile(path);
    window_->REA->SetInsertColor(0x0000FF);
    window_->REA->InsertText("CKS error");
    window_->SavetoFile1Click();
    QCOMPARE(dialogs_.SaveRequests().size(), std::size_t{1});
    const FileDialogSpec expected{".rtf", window_->ExeDir(),
                                  "RTF files (*.rtf)|*.rtf|All files (*.*)|*.*"};
    QCOMPARE(dialogs_.SaveRequests().front(), expected);
    QVERIFY(dialogs_.Errors().isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("\\red255\\green0\\blue0"));
    QVERIFY(rtf.contains("CKS error"));
  }

  // The context menu's items run the window's commands.
  void menuItemsRunCommands() {
    QMenu* menu = window_->findChild<QMenu*>("PopupMenu1");
    QVERIFY(menu != nullptr);
    auto action = [menu](const char* name) {
      for (QAction* a : menu->actions()) {
        if (a->objectName() == QLatin1String(name)) return a;
      }
      return static_cast<QAction*>(nullptr);
    };
    window_->REA->InsertText("abcd");
    window_->REA->SetCaretPosition(2);
    action("NewLineatcursor1")->trigger();
    QCOMPARE(Lines(window_->REA->Text()), "ab\ncd");
    window_->REA->Select(0, 1);
    action("Savetifile1")->trigger();
    QCOMPARE(Lines(window_->REA->Text()), "b\ncd");
    dialogs_.AnswerFile(dir_->filePath("menu.txt"));
    action("Savetoplanfile1")->trigger();
    QVERIFY(QFile::exists(dir_->filePath("menu.txt")));
    dialogs_.AnswerFile(dir_->filePath("menu.rtf"));
    action("SavetoFile1")->trigger();
    QVERIFY(QFile::exists(dir_->filePath("menu.rtf")));
    action("Clear1")->trigger();
    QCOMPARE(window_->REA->Text(), std::string());
  }

  void cancelledSaveWritesNothing() {
    dialogs_.AnswerFile(std::nullopt);
    window_->Savetoplanfile1Click();
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files),
             (QStringList{"Port_CFG.capture", "Port_CFG.cps"}));
    QVERIFY(dialogs_.Shown().isEmpty());
  }

  void failedSaveIsReported_data() {
    QTest::addColumn<bool>("rtf");
    QTest::newRow("txt") << false;
    QTest::newRow("rtf") << true;
  }
  void failedSaveIsReported() {
    QFETCH(bool, rtf);
    dialogs_.AnswerFile(dir_->filePath("missing/folder/out"));
    window_->REA->InsertText("abc");
    rtf ? window_->SavetoFile1Click() : window_->Savetoplanfile1Click();
    QCOMPARE(dialogs_.Errors(), QStringList{"Saving " + dir_->filePath("missing/folder/out") +
                                            ": No such file or directory"});
    QCOMPARE(window_->REA->Text(), std::string("abc"));
  }

  void swatchFollowsSelector_data() {
    QTest::addColumn<int>("item");
    for (int i = 0; i < kColorRoleCount; ++i) {
      QTest::addRow("%d", i) << i;
    }
  }
  void swatchFollowsSelector() {
    QFETCH(int, item);
    selector_->setCurrentIndex(item == 0 ? 1 : 0);
    selector_->setCurrentIndex(item);
    QCOMPARE(swatch_->CurrentColor(), kDefaultColors[item]);
  }

  void typedEntryKeepsSwatch() {
    selector_->setCurrentIndex(5);
    QCOMPARE(swatch_->CurrentColor(), Color{0x0000FF});
    selector_->lineEdit()->selectAll();
    QTest::keyClicks(selector_->lineEdit(), "Port");
    QCOMPARE(selector_->currentIndex(), -1);
    QCOMPARE(selector_->currentText(), "Port");
    QCOMPARE(swatch_->CurrentColor(), Color{0x0000FF});
  }

  void cancelledColorDialogOnlyEnablesApply() {
    selector_->setCurrentIndex(3);
    QVERIFY(!apply_->isEnabled());
    QTest::mouseClick(swatch_, Qt::LeftButton);
    QCOMPARE(dialogs_.ColorRequests(), std::vector<Color>{kDefaultColors[3]});
    QVERIFY(apply_->isEnabled());
    QCOMPARE(swatch_->CurrentColor(), kDefaultColors[3]);
    QCOMPARE(window_->Colors().values, kDefaultColors);
  }

  void colorBeforeChoosingEntryChangesOnlySwatch() {
    QCOMPARE(selector_->currentText(), "Backgroung");
    dialogs_.AnswerColor(0x123456);
    window_->BLOCOLClick();
    QCOMPARE(swatch_->CurrentColor(), Color{0x123456});
    QCOMPARE(window_->Colors().values, kDefaultColors);
  }

  void backgroundChangesAtOnce() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY(Middle(window_->REA) != QColor(0, 255, 0));
    selector_->setCurrentIndex(0);
    dialogs_.AnswerColor(RgbColor(0, 255, 0));
    window_->BLOCOLClick();
    QCOMPARE(window_->Colors()[ColorRole::Background], RgbColor(0, 255, 0));
    QTRY_COMPARE(Middle(window_->REA), QColor(0, 255, 0));
  }

  // Text already in the window keeps its colours; the entry is what later writers read.
  void otherEntryChangesOnlyThatEntry() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    selector_->setCurrentIndex(5);
    dialogs_.AnswerColor(RgbColor(0, 255, 0));
    window_->BLOCOLClick();
    auto expected = kDefaultColors;
    expected[5] = RgbColor(0, 255, 0);
    QCOMPARE(window_->Colors().values, expected);
    QCOMPARE(swatch_->CurrentColor(), RgbColor(0, 255, 0));
    QVERIFY(Middle(window_->REA) != QColor(0, 255, 0));
    selector_->setCurrentIndex(1);
    selector_->setCurrentIndex(5);
    QCOMPARE(swatch_->CurrentColor(), RgbColor(0, 255, 0));
  }

  // "Log to file" asks for the file and stops on a second press; "Open log" shows a log's data
  // as it was received and names a file that is no log.
  void logToFileAndOpenLog() {
    QPushButton* logButton = window_->findChild<QPushButton*>("BBLOGFILE");
    const QString logPath = dir_->filePath("day.ftlog");
    dialogs_.AnswerFile(std::nullopt);
    logButton->click();
    QVERIFY(!logButton->isChecked());
    dialogs_.AnswerFile(logPath);
    logButton->click();
    QVERIFY(logButton->isChecked() && window_->GetSession().Logging());
    logButton->click();
    QVERIFY(!window_->GetSession().Logging());
    QVERIFY(QFile::exists(logPath));

    {
      auto opened = CaptureLogWriter::Open(logPath.toStdString(), ClockBase::Now(), {}, {});
      CaptureRecordView record;
      record.payload = "AB";
      opened.writer->Append(record);
    }
    dialogs_.AnswerFile(logPath);
    window_->findChild<QPushButton*>("BBOPENLOG")->click();
    QTRY_COMPARE(Lines(window_->REA->Text()), QString("41 42 \n"));
    QCOMPARE(window_->Strip()->SB2->text(), QString("Log played: 0.0 MB"));
    dialogs_.AnswerFile(dir_->filePath("Port_CFG.cps"));
    window_->findChild<QPushButton*>("BBOPENLOG")->click();
    QCOMPARE(dialogs_.Shown().size(), 1);
    QVERIFY(dialogs_.Shown()[0].contains("Port_CFG.cps"));
  }

 private:
  std::optional<QTemporaryDir> dir_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  ColorSwatch* swatch_ = nullptr;
  QComboBox* selector_ = nullptr;
  QPushButton* apply_ = nullptr;
};

}  // namespace ferrotap

using ferrotap::DataWindowCommandsTest;
FERROTAP_TEST(DataWindowCommandsTest)
#include "data_window_commands_test.moc"
