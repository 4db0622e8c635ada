// What the tests of the extraction and add dialogs share: a test folder with a program folder,
// the shared state reset, scripted prompts, and the dialog of the registry shown and active.
#pragma once

#include "DialogTestUtil.h"
#include "ExplorerTree.h"
#include "Forms.h"
#include "Module1.h"
#include "ScriptedPrompts.h"
#include "ZipTestUtil.h"

#include <QDir>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

class FolderDialogFixture : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = QString::fromStdString(root.string());
        Module1::Shared() = Module1::SharedState{};
        app = folderWithFile("app");
        Module1::Shared().AppFolder = app;
        prompts = &InstallScriptedPrompts();
    }
    void TearDown() override {
        Forms::UnloadAll();
        TempDirTest::TearDown();
    }

    // A folder of the test folder holding one regular file.
    QString folderWithFile(const QString &name) {
        ziptest::WriteFile(path((name + QStringLiteral("/file.txt")).toStdString()), "x");
        return base + u'/' + name;
    }
    QString folder(const QString &name) {
        QDir().mkpath(base + u'/' + name);
        return base + u'/' + name;
    }

    // Shows the dialog and waits until it is the active window (its activation has run).
    static void showActive(QWidget &dialog) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    // A key as the user presses it on the window; a button's accelerator clicks it when its
    // 100 ms press animation ends, so the events run a while after.
    static void press(QWidget &window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
        QTest::qWait(250);
    }
    // True once a closed dialog of the registry is destroyed.
    template <typename D> static bool gone(QPointer<D> &dialog) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }
    template <typename T> static T *child(QWidget &dialog, const char *name) {
        T *found = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList messages() const {
        QStringList out;
        for (const auto &m : prompts->messages())
            out << m.title + QStringLiteral("|") + m.text;
        return out;
    }

    QString base, app;
    ScriptedPrompts *prompts = nullptr;
};
