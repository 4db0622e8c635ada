// The main window: wires its menus, toolbar, list and check boxes to the open archive's owner
// (ArchiveSession) and to the settings. Controls keep their names as object names (ListView1,
// Check1, StatusBar1, open, ...); each handler is named after its control and event. The layout
// is built in UnzipLayout.cpp, the components' events and long work are in UnzipWork.cpp, drag
// and drop in UnzipDrops.cpp.
#pragma once

#include "AddOperation.h"
#include "ArchiveSession.h"
#include "DragFolder.h"
#include "EditedCopies.h"
#include "EntryCommands.h"
#include "EntryListModel.h"
#include "VFunzip.h"
#include "VFzip.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QRadioButton;
class QToolBar;
class QTreeView;

class Unzip : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char *kTitle = ArchiveSession::kTitle;

    Unzip();

    // Loading code: settings, colours, the command line. Run once by the window registry.
    void Form_Load();

    zipcomponent::VFunzip VFunzip1;
    // The archive writer of the commands that change the open archive in place (removal); each
    // add has a writer of its own (AddOperation).
    zipcomponent::VFzip VFzip1;

    // Adds to the open archive as a drop does: the long work shown in this window, the files
    // left out said in one box, the list read again from the disk. An opened copy written back
    // comes here too, with the entry name and the encryption set in the request. False when
    // nothing was written or something was left out.
    bool addToArchive(const AddOperation::Request &request);
    EntryListModel *model() const { return model_; }
    ArchiveSession &session() { return session_; }
    ArchiveState state() const { return session_.state(); }

public slots:
    void open_Click();
    void Mnu_Nouveau_Click();
    void closefile_Click();
    void Mnu_Quitter_Click();
    void Mnu_CoulFdDOS_Click();
    void Mnu_CoulFdFICH_Click();
    void Mnu_CoulTXTFICH_Click();
    void unzipallfiles_Click();
    void Mnu_Ajout_Click();
    void Mnu_SupFich_Click();
    void Mnu_AutoExtract_Click();
    void Mnu_Tester_Click();
    void about_Click();
    void Toolbar1_ButtonClick(int button);
    void ListView1_Click();
    void ListView1_DblClick();
    void SauveAffecteCoul();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // UnzipDrops.cpp
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // UnzipLayout.cpp
    void createMenus();
    void createToolbar();
    void createFrames();
    void createStatusBar();
    void placeWindow();
    void centre();

    void connectReader();                         // UnzipWork.cpp
    void connectDrags();                          // UnzipDrops.cpp
    bool dropAdds(const QDropEvent *event) const; // files dropped here go into the archive
    void showSession(); // title, panels, command states and frames as the session says

    void Form_Activate();
    void VFunzip1_FileInfo(std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                           int Month, int Day, int Year, int Hour, int Minute,
                           const std::string &Filename, const std::string &Path);
    void VFunzip1_Progress(std::int64_t WrittenLength, std::int64_t OriginalLength);
    void VFunzip1_DisplayMessage(const std::string &Message);

    void openArchive(const QString &path);
    QStringList selectedEntries() const; // full names, top to bottom
    void
    connectEditedCopies(); // opened copies saved by their application: the question, the rewrite
    // Runs long work with the window kept alive and a stop offered (LongWork); the commands
    // are off meanwhile and the progress bar back at 0 afterwards; the window's writer (a
    // removal) shows its progress and takes the stop there.
    void runLong(const QString &text, const std::function<void()> &work);
    void applyListColours();
    void chooseColour(std::uint32_t &colour);
    void endProgram();

    EntryListModel *model_ = nullptr;
    ArchiveSession session_;
    EntryCommands commands_;
    EditedCopies edited_;   // the opened copies that go back into the archive when saved
    DragFolder dragFolder_; // rows dragged out are written there; emptied when the window goes
    class LongWork *work_ = nullptr; // the long work running, if any
    bool ended_ = false;
    bool shownOnce_ = false;

    class EntryListView *ListView1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QGroupBox *Frame4 = nullptr, *Frame5 = nullptr, *Frame6 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr, *Check3 = nullptr;
    QRadioButton *OptionDEC[2] = {nullptr, nullptr};
    QLabel *panels_[4] = {};
    QAction *unzipallfiles = nullptr, *Mnu_Ajout = nullptr, *Mnu_SupFich = nullptr,
            *Mnu_AutoExtract = nullptr, *Mnu_Tester = nullptr;
    QAction *buttons_[7] = {};
    std::int64_t progressScale_ = 1; // sizes above what a progress bar holds are divided
};
