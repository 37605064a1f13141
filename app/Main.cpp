// The installer program: start and stop.
#include <windows.h>

#include <memory>

#include "app/ApplicationWindow.h"
#include "app/DllHardening.h"
#include "app/InstallerController.h"
#include "app/SystemEnvironment.h"
#include "platform/NativeFileSystem.h"
#include "ui/Form1.h"
#include "ui/UiResources.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    quibel::RestrictDllSearchToSystem();
    const bool comReady = SUCCEEDED(CoInitialize(nullptr));
    quibel::ApplicationWindow application(instance, quibel::InstallerController::ApplicationTitle,
                                          LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUIBEL)));
    // The taskbar entry is there before the window is built: a failure in FormCreate is shown while the program
    // has one, in a box that it owns.
    application.Show();
    const auto fileSystem = quibel::MakeNativeFileSystem();

    auto window = std::make_unique<quibel::TForm1>(instance, application, *fileSystem, quibel::CurrentEnvironment());
    window->Show();
    quibel::RunMessageLoop(*window);

    if (comReady) {
        CoUninitialize();
    }
    window.reset();
    return 0;
}
