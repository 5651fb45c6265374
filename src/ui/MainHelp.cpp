// The main window's help commands, and what the settings dialog asks of the
// program: help pages, explanations, the folder browser, picture choosers
// and the skin preview.
#include "Main.h"

#include "About.h"
#include "DirBrowse.h"
#include "HelpLauncher.h"
#include "HowTos.h"
#include "Settings.h"
#include "SkinPreview.h"
#include "Steps.h"
#include "deploy/UserPort.h"

#include <QAction>
#include <QDesktopServices>

void TMainF::connectSettings() {
    connect(Steps, &TStepsF::HelpRequested, this, &TMainF::ShowHelp);
    connect(Settings, &TSettingsF::HelpRequested, this, &TMainF::ShowHelp);
    connect(About, &TAboutF::HelpRequested, this, &TMainF::ShowHelp);
    connect(Settings, &TSettingsF::ExplanationRequested, this,
            [this](const QString& title, const QString& text) {
                HowTos->SetExplanation(title, text);
                RunDialog(*HowTos);
            });
    Settings->ChooseFolder = [this](const QString& start) {
        return TDirBrowseF::Choose(*port_, Settings, start);
    };

    preview_->ShowInformation = [this](const QString& text) { port_->ShowInformation(text); };
    preview_->OpenUrl = [this](const QUrl& url) { Settings->OpenUrl(url); };
    // A file the preview cannot read or write ends it with the error box.
    const auto previewing = [this](const std::function<void()>& step) {
        try {
            step();
        } catch (const TSkinPreview::EFileError& e) {
            port_->ShowError(e.message());
        }
    };
    connect(Settings, &TSettingsF::SkinChosen, this,
            [this, previewing](const QString& skin, const QString& logo, const QString& title) {
                previewing([&] { preview_->SkinChosen(skin, logo, title); });
            });
    connect(Settings, &TSettingsF::BGImageChosen, this,
            [this, previewing](const QString& skin, const QString& image) {
                previewing([&] {
                    // A shipped skin is shared: the project goes on with its own copy.
                    const QString sheet = preview_->BGImageChosen(skin, image);
                    if (TSkinPreview::SkinFile(skin) != sheet)
                        Settings->SetSkinPath(sheet);
                });
            });
    connect(Settings, &TSettingsF::PreviewRequested, this,
            [this, previewing](const QString& skin, const QString& image, const QString& logo,
                               const QString& title) {
                previewing([&] { preview_->Preview(skin, image, logo, title); });
            });
}

void TMainF::HelpAExecute() {
    ShowHelp(QString());
}

void TMainF::ShowHelp(const QString& topic) {
    help_->Show(topic);
}

void TMainF::StepsAExecute() {
    if (Steps->isVisible()) {
        Steps->hide();
    } else {
        placeSteps();
        Steps->show();
    }
}

void TMainF::AboutAExecute() {
    RunDialog(*About);
}
