// A private X server for tests that need a real window system: Xvfb on a
// display number it picks itself, optionally with a window manager, ended
// with the object.
#pragma once
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

struct XvfbServer {
    pid_t pid = -1;
    pid_t manager = -1;
    std::string display; // ":N", empty when the server did not start

    // Starts the server and points SDL at it; false when Xvfb is missing or silent.
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM); // never outlive a crashed test
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        struct pollfd p = {fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) return false;
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        // SDL unloads the X libraries at its end; kept loaded, what they hold
        // for the process's life shows by name and can be told apart.
        for (const char* lib :
             {"libX11.so.6", "libXext.so.6", "libXi.so.6", "libXcursor.so.1", "libXrandr.so.2",
              "libXfixes.so.3", "libXss.so.1", "libxkbcommon.so.0", "libXinerama.so.1"})
            dlopen(lib, RTLD_NOW | RTLD_NODELETE);
        return true;
    }

    // Starts openbox on the server and returns once it is in charge (it has
    // named its check window on the root); false when it is not within 20 s.
    bool StartWindowManager() {
        manager = fork();
        if (manager == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            execlp("openbox", "openbox", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (manager < 0) return false;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            std::string out;
            if (FILE* p = popen("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null", "r")) {
                char buf[256];
                size_t n = 0;
                while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
                pclose(p);
            }
            if (out.find("window id") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    ~XvfbServer() {
        for (pid_t child : {manager, pid}) {
            if (child <= 0) continue;
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
    }
};

// SDL's X11 video starts D-Bus and ALSA, which keep a few blocks for the life
// of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libasound.so\n";
}

// The leak checker's switches, present only in sanitizer builds.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));
