#pragma once

#include "support/ScriptedOperator.h"

#include "editor/EditorController.h"
#include "editor/EditorMenu.h"
#include "editor/EditorProfile.h"

#include <QGroupBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>

namespace kvt::test {

enum class Window { Kvt7, Kvt31_33, FourModel };

inline EditorProfile profileOf(Window window)
{
    switch (window) {
    case Window::Kvt7:
        return EditorProfile::kvt7();
    case Window::Kvt31_33:
        return EditorProfile::kvt31_33();
    case Window::FourModel:
        break;
    }
    return EditorProfile::fourModel();
}

// A front-end window reduced to its editor: the frame, the text box, the File
// and Edit menus, and the controller wired to them the way a window does it.
struct EditorRig {
    explicit EditorRig(Window window) : window(std::make_unique<QMainWindow>())
    {
        const EditorProfile profile = profileOf(window);
        fraeditor = new QGroupBox;
        fraeditor->setObjectName(QStringLiteral("fraeditor"));
        txteditor = new QPlainTextEdit;
        txteditor->setObjectName(QStringLiteral("txteditor"));
        auto* layout = new QVBoxLayout(fraeditor);
        layout->addWidget(txteditor);
        this->window->setCentralWidget(fraeditor);
        QMenu* file = this->window->menuBar()->addMenu(QStringLiteral("&File"));
        QMenu* edit = this->window->menuBar()->addMenu(QStringLiteral("&Edit"));
        menu = EditorMenu::addTo(file, edit, profile);
        editor = new EditorController(profile, op, txteditor, fraeditor, this->window.get());
        editor->wireMenu(menu);
    }

    ScriptedOperator op; // outlives the window
    std::unique_ptr<QMainWindow> window;
    QPointer<QGroupBox> fraeditor;
    QPointer<QPlainTextEdit> txteditor;
    EditorMenu menu;
    QPointer<EditorController> editor;
};

} // namespace kvt::test

Q_DECLARE_METATYPE(kvt::test::Window)
