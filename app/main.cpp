// SPDX-License-Identifier: MIT
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/demo_mode.h"
#include "core/command_line.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "core/program_folders.h"

int main(int argc, char* argv[]) {
  // Before the application object: --help and --version need no display.
  const ferrotap::CommandLineAction action =
      ferrotap::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (action.kind != ferrotap::CommandLineAction::Kind::Run) {
    std::fputs(action.text.c_str(),
               action.kind == ferrotap::CommandLineAction::Kind::Print ? stdout : stderr);
    return action.exitCode;
  }

  // The toolkit would abort (status 134) with advice that does not help.
  const std::string noDisplay = ferrotap::NoDisplayLine(
      std::vector<std::string>(argv + 1, argv + argc), [](const char* name) { return std::getenv(name); });
  if (!noDisplay.empty()) {
    std::fputs(noDisplay.c_str(), stderr);
    return ferrotap::kNoDisplayExitCode;
  }

  ferrotap::Application app(argc, argv);
  ferrotap::QtDialogs dialogs;
  app.SetDialogs(&dialogs);
  ferrotap::ProgramFolders folders = ferrotap::ChooseProgramFolders(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
      ferrotap::CurrentUserEnvironment(), FERROTAP_SYSTEM_BINDIR);
  std::unique_ptr<ferrotap::DemoMode> demo;
  if (action.demo) {
    demo = std::make_unique<ferrotap::DemoMode>();
    if (demo->SettingsFolder().isEmpty()) {
      std::fprintf(stderr, "ferrotap: no temporary folder for the demo's settings: %s\n",
                   demo->Problem().toLocal8Bit().constData());
      return 1;
    }
    folders.settings = QFile::encodeName(demo->SettingsFolder()).toStdString();
  }
  ferrotap::MainWindow window(folders, &dialogs);
  dialogs.SetParentWidget(&window);
  window.show();
  if (demo) demo->Show(window);
  return QApplication::exec();
}
