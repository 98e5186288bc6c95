// Looks at and drives the real windows of a program under Wine through the Windows API,
// the way a Windows user's tools see them:
//   winprobe wait TITLE SECONDS      waits until a visible top-level window has that caption
//   winprobe gone TITLE SECONDS      waits until no visible window has it any more
//   winprobe geometry TITLE          "window X Y W H" and "client X Y W H" (screen pixels)
//   winprobe titles                  the captions of every visible top-level window
//   winprobe click TITLE X Y [N]     N left clicks (1: a click, 2: a double click) at (X, Y) of
//                                    the window's client area
//   winprobe key TITLE VK            a key press and release (virtual-key code, decimal)
//   winprobe text TITLE TEXT         types TEXT (UTF-8) into the window's focused control
//   winprobe open FILE [FOLDER]      ShellExecuteW(NULL, "open", FILE, NULL, FOLDER, 0)
//   winprobe printers                "default NAME", then "printer NAME" for each printer
// Captions and texts are UTF-8 on the command line. Exit status 1 when a window is missing.
// windows.h first: the other Windows headers build on its types.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <winspool.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring wide(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    result.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
    return result;
}

std::string utf8(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), length, nullptr, nullptr);
    result.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
    return result;
}

std::wstring caption(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::vector<HWND> visible_windows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            if (IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND find(const std::wstring& title) {
    for (HWND window : visible_windows()) {
        if (caption(window) == title) {
            return window;
        }
    }
    return nullptr;
}

HWND wait_for(const std::wstring& title, double seconds) {
    for (double waited = 0; waited <= seconds; waited += 0.1) {
        if (HWND window = find(title)) {
            return window;
        }
        Sleep(100);
    }
    return nullptr;
}

HWND require(const char* title) {
    HWND window = wait_for(wide(title), 10);
    if (window == nullptr) {
        std::fprintf(stderr, "no window \"%s\"\n", title);
        std::exit(1);
    }
    return window;
}

void bring_forward(HWND window) {
    SetForegroundWindow(window);
    SetActiveWindow(window);
    Sleep(200);
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(utf8(wargv[i]));
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: winprobe COMMAND ...\n");
        return 2;
    }
    const std::string& command = args[1];
    if (command == "wait" && argc == 4) {
        return wait_for(wide(args[2].c_str()), std::atof(args[3].c_str())) ? 0 : 1;
    }
    if (command == "gone" && argc == 4) {
        const std::wstring title = wide(args[2].c_str());
        for (double waited = 0; waited <= std::atof(args[3].c_str()); waited += 0.1) {
            if (find(title) == nullptr) {
                return 0;
            }
            Sleep(100);
        }
        return 1;
    }
    if (command == "titles") {
        for (HWND window : visible_windows()) {
            std::printf("%s\n", utf8(caption(window)).c_str());
        }
        return 0;
    }
    if (command == "geometry" && argc == 3) {
        HWND window = require(args[2].c_str());
        RECT outer{};
        RECT client{};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right - outer.left,
                    outer.bottom - outer.top);
        std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
        return 0;
    }
    if (command == "click" && (argc == 5 || argc == 6)) {
        const int clicks = argc == 6 ? std::atoi(args[5].c_str()) : 1;
        HWND window = require(args[2].c_str());
        bring_forward(window);
        POINT point{std::atoi(args[3].c_str()), std::atoi(args[4].c_str())};
        ClientToScreen(window, &point);
        SetCursorPos(point.x, point.y);
        Sleep(100);
        for (int i = 0; i < clicks; ++i) {
            INPUT inputs[2] = {};
            inputs[0].type = inputs[1].type = INPUT_MOUSE;
            inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, inputs, sizeof(INPUT));
            Sleep(50);
        }
        Sleep(200);
        return 0;
    }
    if (command == "key" && argc == 4) {
        HWND window = require(args[2].c_str());
        bring_forward(window);
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wVk = inputs[1].ki.wVk = static_cast<WORD>(std::atoi(args[3].c_str()));
        inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
        Sleep(200);
        return 0;
    }
    if (command == "text" && argc == 4) {
        HWND window = require(args[2].c_str());
        bring_forward(window);
        for (wchar_t c : wide(args[3].c_str())) {
            INPUT inputs[2] = {};
            inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
            inputs[0].ki.wScan = inputs[1].ki.wScan = c;
            inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
            inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            SendInput(2, inputs, sizeof(INPUT));
            Sleep(20);
        }
        Sleep(200);
        return 0;
    }
    if (command == "open" && (argc == 3 || argc == 4)) {
        const std::wstring file = wide(args[2].c_str());
        const std::wstring folder = argc == 4 ? wide(args[3].c_str()) : std::wstring();
        const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
            nullptr, L"open", file.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(), 0));
        std::printf("ShellExecuteW: %lld\n", static_cast<long long>(result));
        return result > 32 ? 0 : 1;
    }
    if (command == "printers") {
        wchar_t name[512] = {};
        DWORD length = 512;
        std::printf("default %s\n", GetDefaultPrinterW(name, &length) ? utf8(name).c_str() : "");
        DWORD needed = 0;
        DWORD count = 0;
        EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0,
                      &needed, &count);
        std::vector<BYTE> buffer(needed + 1);
        if (EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(),
                          needed, &needed, &count)) {
            const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
            for (DWORD i = 0; i < count; ++i) {
                std::printf("printer %s\n", utf8(printers[i].pPrinterName).c_str());
            }
        }
        return 0;
    }
    std::fprintf(stderr, "winprobe: unknown command %s\n", command.c_str());
    return 2;
}
