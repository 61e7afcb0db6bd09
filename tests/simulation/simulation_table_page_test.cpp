// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <memory>

#include "app/main_window.h"
#include "app/simulation_table_controller.h"
#include "app/pages/simulation_table_page.h"
#include "simulation/table_file_lines.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class SimulationTablePageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    page_ = std::make_unique<SimulationTablePage>();
    table_ = std::make_unique<SimulationTable>();
    controller_ = std::make_unique<SimulationTableController>(page_.get(), *table_, *dialogs_,
                                                              dir_.path());
  }

  void cleanup() {
    QCOMPARE(dialogs_->Unscripted(), 0);
    controller_.reset();
    page_.reset();
  }

  void applyButton() {
    QTableWidget* grid = page_->SGPS;
    page_->show();
    QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
    grid->edit(grid->model()->index(5, 0));
    QVERIFY(!page_->BBSIMAPPLY->isEnabled());
    grid->edit(grid->model()->index(200, 1));
    QVERIFY(page_->BBSIMAPPLY->isEnabled());
    Cell(11, 2, "ABC$G1");
    page_->BBSIMAPPLY->click();
    QVERIFY(!page_->BBSIMAPPLY->isEnabled());
    QCOMPARE(dialogs_->Errors(),
             QStringList{"Process aborted. Malformed string : $G1  in COMM $0A:  ABC$G1"});
  }

  void saveAndLoad() {
    Cell(6, 1, " $01 ");
    Cell(6, 3, "Sync");
    Cell(8, 3, " Sync ");
    Cell(9, 1, "   ");
    Cell(256, 1, "a;b");
    Cell(256, 2, "#255");
    const QString path = dir_.filePath("table.pst");
    dialogs_->AnswerFile(dir_.filePath("no/folder/table.pst"));
    dialogs_->AnswerFile(path);
    page_->BBPSIMSAVE->click();
    QVERIFY(dialogs_->Errors().join("").contains("no/folder"));
    QVERIFY(dialogs_->Infos().isEmpty());
    page_->BBPSIMSAVE->click();
    QCOMPARE(dialogs_->Infos(), QStringList{"Table saved."});
    const FileDialogSpec spec{".pst", dir_.path(),
                              "Protocol Simulation Tables (*.pst)|*.pst|All files (*.*)|*.*"};
    QCOMPARE(dialogs_->SaveRequests().back(), spec);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("KOB - Protocol Simulation Tables\r\n005;$01;;Sync\r\n"
                                        "007;;;Sync\r\n255;a$3Bb;#255;\r\n"));

    page_->ClearDataColumns();
    dialogs_->AnswerFile(path);
    page_->BBPSIMLOAD->click();
    QCOMPARE(dialogs_->OpenRequests().back(), spec);
    QCOMPARE(dialogs_->Infos().last(), QString("Table validated and applied"));
    QCOMPARE(Text(8, 3), QString("Sync"));
    QCOMPARE(Text(256, 1), QString("a$3Bb"));
    const SimulationTable& table = controller_->Table();
    QCOMPARE(table[255].query, Bytes("a;b"));
    QVERIFY(table.IsSyncMarked(5) && table.IsSyncMarked(7) && !table.IsSyncMarked(8));
    QVERIFY(!page_->BBSIMAPPLY->isEnabled());
  }

  // Bad lines are reported one by one and keep the table as it was; the good ones reach the grid.
  // A file that cannot be read, or is of another kind, leaves the grid as it was. %1 stands for
  // the file's path.
  void loadProblems_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QString>("cell");  // what command 1 shows after the load
    QTest::newRow("unreadable numbers")
        << QByteArray("KOB - Protocol Simulation Tables\nxg1;$42;;\r\n001;$41;;\r\n300;$43;;\n")
        << QStringList{"Table not compatible !", "Table not compatible !"} << "$41";
    QTest::newRow("lines not loaded")
        << QByteArray("KOB - Protocol Simulation Tables\n001;$41\n\n001;$42;;\n1;$43;;\n")
        << QStringList{"2 lines were not loaded, the first is line 2; the table is not applied (%1)"}
        << "$42";
    QTest::newRow("wrong header") << QByteArray("001;$41;;\r\n")
                                  << QStringList{"File format not compatible (%1)"} << "typed";
    QTest::newRow("empty file") << QByteArray() << QStringList{"File format not compatible (%1)"}
                                << "typed";
    QTest::newRow("missing file") << QByteArray() << QStringList{"missing"} << "typed";
  }

  void loadProblems() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, errors);
    QFETCH(QString, cell);
    Cell(1, 1, "$40");
    PressApply();
    Cell(2, 1, "typed");
    const QString path = dir_.filePath("problem.pst");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    dialogs_->AnswerFile(errors.front() == "missing" ? path + "/missing" : path);
    page_->BBPSIMLOAD->click();
    QCOMPARE(dialogs_->Errors().size(), errors.size());
    for (int i = 0; i < errors.size(); ++i) {
      QVERIFY(dialogs_->Errors()[i].contains(QString(errors[i]).replace("%1", path)));
    }
    QCOMPARE(dialogs_->Infos(), QStringList{"Table validated and applied"});
    QCOMPARE(Text(2, 1), cell);
    QCOMPARE(controller_->Table()[0].query, Bytes("@"));
    QCOMPARE(controller_->Table()[1].query, Bytes());
  }

  // The longest text the grid's editor takes, separators and line ends included, comes back
  // whole from its file, and the load applies it.
  void longestCellSavesAndLoads() {
    page_->show();
    QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
    page_->SGPS->editItem(page_->SGPS->item(3, 1));
    auto* editor = page_->SGPS->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->maxLength(), kGridCellMaxLength);
    QString query(kGridCellMaxLength, ';');
    query[1] = 'q';
    editor->setText(query + "more");
    emit page_->SGPS->itemDelegate()->commitData(editor);
    QCOMPARE(Text(3, 1), query);
    const QString answer = "a" + QString("\r\n$0D;").repeated(kGridCellMaxLength / 6);
    Cell(3, 2, answer);
    const QString path = dir_.filePath("long.pst");
    dialogs_->AnswerFile(path);
    page_->BBPSIMSAVE->click();
    page_->ClearDataColumns();
    dialogs_->AnswerFile(path);
    page_->BBPSIMLOAD->click();
    QCOMPARE(dialogs_->Errors(), QStringList());
    QCOMPARE(dialogs_->Infos().last(), QString("Table validated and applied"));
    QCOMPARE(controller_->Table()[2].query, Bytes(query.toStdString()));
    QCOMPARE(controller_->Table()[2].answer.size(), std::size_t(1 + kGridCellMaxLength / 6 * 4));
  }

  void clear() {
    Cell(5, 2, "$41");
    PressApply();
    for (bool yes : {false, true}) {
      dialogs_->AnswerConfirm(yes);
      page_->BBPSIMCLEAR->click();
      QCOMPARE(dialogs_->Confirmations().last(), QString("Clear Table ?"));
      QCOMPARE(Text(5, 2), yes ? QString() : QString("$41"));
    }
    QCOMPARE(Text(0, 2), QString("Answer Data Pack ( Data only )"));
    QCOMPARE(controller_->Table()[4].answer, Bytes("A"));
    QVERIFY(!page_->BBSIMAPPLY->isEnabled());
  }

  // The SYN buttons act at once on the mark of the selected row, or of the current row before
  // any selection.
  void synButtons() {
    const SimulationTable& table = controller_->Table();
    page_->BitBtn1->click();
    QVERIFY(table.IsSyncMarked(0));
    QCOMPARE(Text(1, 3), QString("Sync"));
    QVERIFY(page_->BBSIMAPPLY->isEnabled());
    page_->SGPS->setCurrentCell(256, 1);
    page_->BitBtn1->click();
    page_->SGPS->setCurrentCell(8, 0);
    page_->BitBtn1->click();
    QVERIFY(table.IsSyncMarked(7) && table.IsSyncMarked(255));
    page_->BitBtn2->click();
    QCOMPARE(Text(8, 3), QString());
    QVERIFY(!table.IsSyncMarked(7) && table.IsSyncMarked(0));
    QCOMPARE(Text(0, 3), QString("SYNC (Yes/*)"));
  }

  // What the page applies is what the window hands to the simulation.
  void windowOwnsTheTable() {
    test::ScriptedDialogs dialogs;
    MainWindow window(dir_.path(), &dialogs);
    window.findChild<QTableWidget*>("SGPS")->item(8, 2)->setText("$99");
    auto* apply = window.findChild<QPushButton*>("BBSIMAPPLY");
    apply->setEnabled(true);
    apply->click();
    QCOMPARE(window.SimTable()[7].answer, Bytes("\x99"));
  }

 private:
  // As after an edit, which enables the button.
  void PressApply() {
    page_->BBSIMAPPLY->setEnabled(true);
    page_->BBSIMAPPLY->click();
  }
  void Cell(int row, int column, const QString& text) {
    page_->SGPS->item(row, column)->setText(text);
  }
  QString Text(int row, int column) const { return page_->SGPS->item(row, column)->text(); }

  QTemporaryDir dir_;
  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  std::unique_ptr<SimulationTablePage> page_;
  std::unique_ptr<SimulationTable> table_;
  std::unique_ptr<SimulationTableController> controller_;
};

FERROTAP_TEST(SimulationTablePageTest)

}  // namespace ferrotap

#include "simulation_table_page_test.moc"
