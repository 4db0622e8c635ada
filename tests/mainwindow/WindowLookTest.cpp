// How the window looks and answers the keyboard: captions in full, centred on the screen,
// the progress bar on empty entries, Qt's dialogs in French, accelerator letters, and the
// options file written by every way of quitting.
#include "UnzipFixture.h"

#include "Assoc.h"
#include "AutoExtract.h"
#include "DosZip2.h"
#include "Form1.h"
#include "Prompts.h"
#include "Zip2.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

namespace {

using WindowLookTest = UnzipFixture;

// A caption as drawn: accelerator marks gone, "&&" an ampersand.
QString Drawn(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(u'&');
    return text.replace(u'\x01', u'&');
}

// The captioned controls of `window` whose text is wider or taller than the room the control
// leaves it, measured with the control's own font, as "name: needed > room", one a line.
std::string CutCaptions(QWidget *window) {
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || qobject_cast<QStatusBar *>(w->parentWidget())) continue;
        const QFontMetrics fm(w->font());
        const QStyle *style = w->style();
        const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
        QString text;
        int room = 0;
        if (auto *b = qobject_cast<QPushButton *>(w)) {
            text = Drawn(b->text());
            room = b->width() - frame - style->pixelMetric(QStyle::PM_ButtonMargin);
        } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
            text = Drawn(c->text());
            room = c->width() - style->pixelMetric(QStyle::PM_IndicatorWidth) -
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        } else if (auto *r = qobject_cast<QRadioButton *>(w)) {
            text = Drawn(r->text());
            room = r->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) -
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            text = l->text();
            room = l->width();
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            text = Drawn(g->title());
            room = g->width() - frame;
        } else {
            continue;
        }
        if (text.isEmpty()) continue;
        const QStringList lines = text.split(u'\n');
        int wide = 0;
        for (const QString &line : lines)
            wide = std::max(wide, fm.horizontalAdvance(line));
        const int tall = fm.height() * static_cast<int>(lines.size());
        if (wide > room || tall > w->height())
            cut << QStringLiteral("%1: %2x%3 > %4x%5")
                       .arg(w->objectName())
                       .arg(wide)
                       .arg(tall)
                       .arg(room)
                       .arg(w->height());
    }
    return cut.join(u'\n').toStdString();
}

// Every window of both programs, the no-association dialog with a long entry name too.
TEST_F(WindowLookTest, EveryWindowShowsItsCaptionsInFull) {
    Unzip &w = start(q(makeArchive()));
    EXPECT_EQ(CutCaptions(&w), "");
    Module1::Shared().AppFolder = QString::fromStdString(root.string());
    EXPECT_EQ(CutCaptions(&Forms::DosZip2()), "");
    EXPECT_EQ(CutCaptions(&Forms::Zip2()), "");
    for (const QString &entry :
         {QStringLiteral("notes.xyz"), QString(90, u'x') + QStringLiteral(" <b>.xyz")}) {
        Module1::Shared().CurrentEntry = entry;
        EXPECT_EQ(CutCaptions(&Forms::Assoc()), "") << entry.toStdString();
        // A name is shown as it is, never read as markup.
        EXPECT_EQ(Forms::Assoc().findChild<QLabel *>("Label1")->textFormat(), Qt::PlainText);
        Forms::Assoc().close(); // destroyed: the next one loads the next name
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    AutoExtract builder(&w);
    builder.show();
    EXPECT_EQ(CutCaptions(&builder), "");
    Form1 stub(QStringLiteral("/nowhere/photos.exe"), nullptr);
    EXPECT_EQ(CutCaptions(&stub), "");
}

TEST_F(WindowLookTest, ALongMessageNeverSqueezesTheOtherPanels) {
    Unzip &w = start(q(makeArchive()));
    w.VFunzip1.DisplayMessage("Fichier existant conservé : /un/chemin/très/long/vers/un/dossier/"
                              "de/destination/qui/ne/tient/pas/dans/la/barre/d'état.txt");
    QApplication::processEvents();
    for (const char *name : {"StatusBar1_Panel2", "StatusBar1_Panel3", "StatusBar1_Panel4"}) {
        auto *panel = child<QLabel>(name);
        EXPECT_GE(panel->width(), panel->sizeHint().width()) << name;
    }
}

TEST_F(WindowLookTest, IsCentredWithItsRealSize) {
    Unzip &w = start();
    const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint centre = w.frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - screen.x()), 1);
    EXPECT_LE(std::abs(centre.y() - screen.y()), 1);
}

TEST_F(WindowLookTest, AnEmptyEntryKeepsTheProgressBarStillAndEmpty) {
    Unzip &w = start();
    auto *bar = child<QProgressBar>("ProgressBar1");
    w.VFunzip1.Progress(0, 0, "");
    w.VFunzip1.Progress(0, 0, "");
    EXPECT_GT(bar->maximum(), bar->minimum()); // min == max is Qt's busy animation
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(WindowLookTest, QtDialogsSpeakFrench) {
    ASSERT_TRUE(InstallQtFrenchTranslation());
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"),
              QStringLiteral("Voir dans :"));
}

TEST_F(WindowLookTest, TheSaveDialogAddsTheDefaultSuffixToABareName) {
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(q(root.string()));
        dialog->selectFile(QStringLiteral("nouvelle"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    // The real prompts, not the scripted ones.
    setPrompts(nullptr);
    const QString chosen =
        ::prompts().saveFileName(nullptr, QStringLiteral("Nouveau fichier ZIP"),
                                 QStringLiteral("Fichiers zip  (*.zip)"), QStringLiteral("zip"));
    EXPECT_EQ(chosen, q(path("nouvelle.zip")));
}

// Alt+letter opens a menu, the next letter runs its entry.
TEST_F(WindowLookTest, AcceleratorLettersReachTheirCommands) {
    Unzip &w = start(q(makeArchive()));
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    // Extract and Add open their dialogs: each is dismissed as soon as it shows.
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    dismiss.start(10);

    auto pressed = [&](Qt::Key menuKey, Qt::Key entryKey, const char *action) {
        QSignalSpy spy(child(action), &QAction::triggered);
        QApplication::setActiveWindow(&w); // back from the dialog of the previous command
        QTest::keyClick(w.windowHandle(), menuKey, Qt::AltModifier);
        QWidget *popup = QApplication::activePopupWidget();
        EXPECT_NE(popup, nullptr) << action;
        if (popup) QTest::keyClick(popup, entryKey);
        QApplication::processEvents();
        return spy.count();
    };
    EXPECT_EQ(pressed(Qt::Key_F, Qt::Key_O, "open"), 1);
    EXPECT_EQ(pressed(Qt::Key_A, Qt::Key_E, "unzipallfiles"), 1);
    EXPECT_EQ(pressed(Qt::Key_A, Qt::Key_A, "Mnu_Ajout"), 1);
    EXPECT_EQ(pressed(Qt::Key_A, Qt::Key_S, "Mnu_SupFich"), 1);
    EXPECT_EQ(pressed(Qt::Key_A, Qt::Key_T, "Mnu_Tester"), 1);
    EXPECT_EQ(pressed(Qt::Key_F, Qt::Key_F, "closefile"), 1);
}

TEST_F(WindowLookTest, NoTwoEntriesOfAMenuShareALetter) {
    Unzip &w = start();
    auto letter = [](const QString &text) {
        const int amp = text.indexOf(u'&');
        return amp >= 0 && amp + 1 < text.size() ? text[amp + 1].toLower() : QChar();
    };
    std::set<QChar> bar;
    for (QAction *top : w.menuBar()->actions()) {
        EXPECT_TRUE(bar.insert(letter(top->text())).second) << top->text().toStdString();
        std::set<QChar> inMenu;
        for (QAction *a : top->menu()->actions()) {
            const QChar l = letter(a->text());
            if (l.isNull()) continue;
            EXPECT_TRUE(inMenu.insert(l).second) << a->text().toStdString();
        }
    }
}

struct QuitWay {
    const char *name;
    void (*quit)(Unzip &);
};

class EveryWayOfQuitting : public UnzipFixture, public ::testing::WithParamInterface<QuitWay> {};

TEST_P(EveryWayOfQuitting, WritesTheTickedBoxesToTheOptionsFile) {
    Unzip &w = start();
    Module1::Shared().LastAddFolder = QStringLiteral("/données/a \"b\"");
    Module1::Shared().ExtractFolder = QStringLiteral("/tmp/x");
    child<QCheckBox>("Check1")->setChecked(true);
    child<QCheckBox>("Check3")->setChecked(true);
    GetParam().quit(w);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadFile(path("Mivo-Zip.cfg")),
              "1,0,1,0,0,0\r\n\"/données/a \"\"b\"\"\"\r\n\"/tmp/x\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, EveryWayOfQuitting,
    ::testing::Values(
        QuitWay{"Menu",
                [](Unzip &w) { w.findChild<QAction *>(QStringLiteral("Mnu_Quitter"))->trigger(); }},
        QuitWay{"ToolbarButton7",
                [](Unzip &w) {
                    w.findChild<QAction *>(QStringLiteral("Toolbar1_Button7"))->trigger();
                }},
        QuitWay{"CloseBox", [](Unzip &w) { w.close(); }}),
    [](const auto &info) { return info.param.name; });

} // namespace
