// The File menu's image entries in the real window against the simulated
// radio: a backup at "Connect", "Save image", and an image written back
// after the operator has seen the changes, proven by the read-back.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

#include "app/qt/RestoreDialog.h"
#include "tests/gui/GuiRig.h"


TEST(Images, BackupAtConnectSaveAndWriteBackWithConfirmAndVerify)
{
    GuiRig r({"--fast"});
    ASSERT_TRUE(r.start());
    MainWindow& w = r.w();
    // The window's own entry keeps its place; the new ones follow it.
    const QList<QAction*> file = w.fileMenu()->actions();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file[0], w.mnuFileExit());
    const int save = file.indexOf(r.desk->mnuFileSaveImage());
    EXPECT_GT(save, 0);
    EXPECT_EQ(file.indexOf(r.desk->mnuFileWriteImage()), save + 1);
    EXPECT_EQ(file.indexOf(r.desk->mnuFileBackups()), save + 2);
    EXPECT_EQ(r.desk->mnuFileSaveImage()->text(), "&Save image...");
    EXPECT_EQ(r.desk->mnuFileWriteImage()->text(), "&Write image to radio...");
    EXPECT_EQ(r.desk->mnuFileBackups()->text(), "Open &backups folder");

    QTest::mouseClick(w.cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(r.quiet());
    const std::vector<std::string> backups = FilesIn(r.options.backupFolder, ".bin");
    ASSERT_EQ(backups.size(), 1u);

    // One step of " Power(Hi)", then the program's image to a file.
    w.lboConsole()->setFocus();
    w.lboConsole()->setCurrentRow(1);
    QTest::keyClick(w.lboConsole(), Qt::Key_Right);
    ASSERT_TRUE(r.quiet());
    ASSERT_TRUE(r.desk->saveImageTo(r.dir.file("saved.bin")));
    const std::string saved = ReadFile(r.dir.file("saved.bin"));
    ASSERT_EQ(saved.size(), 8160u);
    EXPECT_EQ(static_cast<unsigned char>(saved[0x082]), static_cast<unsigned char>(ReadFile(backups[0])[0x082]) + 1)
        << "the saved image carries the step";
    EXPECT_TRUE(FileExists(r.dir.file("saved.txt")));

    // The backup back into the radio: the dialog lists the step undone.
    BoxCatcher boxes;
    ASSERT_TRUE(r.desk->writeImageFrom(backups[0]));
    ASSERT_TRUE(WaitFor([&] { return r.desk->restoreDialog() != nullptr; }, 15000));
    auto* dialog = qobject_cast<RestoreDialog*>(r.desk->restoreDialog());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->list()->toPlainText().contains("POW HI Level:")) << dialog->list()->toPlainText().toStdString();
    dialog->accept();
    ASSERT_TRUE(WaitFor([&] { return !boxes.boxes.empty(); }, 30000));
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("verified")) << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(boxes.boxes[0].icon, static_cast<int>(QMessageBox::Information));
    EXPECT_EQ(FilesIn(r.options.backupFolder, ".bin").size(), 2u) << "the radio was backed up before the write";
    EXPECT_TRUE(r.sim->image() == ReadFile(backups[0])) << "the radio holds the backup again";
}

TEST(Images, AFailedBackupIsANoteBesideTheWindowAndConnectGoesOn)
{
    GuiRig r({"--fast"});
    std::ofstream(r.dir.file("blocked")) << "a file where the backups folder should be";
    r.options.backupFolder = r.dir.file("blocked/backups");
    ASSERT_TRUE(r.start());
    QTest::mouseClick(r.w().cmd00(0), Qt::LeftButton);
    ASSERT_TRUE(r.quiet()) << "the console comes all the same";
    QMessageBox* note = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible())
            note = box;
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isModal());
    EXPECT_EQ(note->icon(), QMessageBox::Warning);
    EXPECT_TRUE(note->text().contains("could not be written")) << note->text().toStdString();
}
