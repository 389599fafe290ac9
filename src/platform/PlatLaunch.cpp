// The launcher's question box on SDL2 and program start on POSIX.
#include "PlatformLaunch.h"
#include "PlatformProcess.h"

#include <SDL.h>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

void PlatLaunchStart() {
    SDL_Init(0);
}

void PlatLaunchStop() {
    SDL_Quit();
}

PlatAnswer PlatAskYesNo(const std::string& title, const std::string& text) {
    // No Escape default: like the native Yes/No box, only an answer ends it.
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, PlatAnswerYes, "Yes"},
        {0, PlatAnswerNo, "No"},
    };
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = nullptr;
    box.title = title.c_str();
    box.message = text.c_str();
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return PlatAnswerFailed;
    // A window manager may still close the box; that is no answer.
    if (pressed == PlatAnswerYes) return PlatAnswerYes;
    if (pressed == PlatAnswerNo) return PlatAnswerNo;
    return PlatAnswerFailed;
}

std::string PlatProgramPath(const std::string& path) {
    std::string native = path;
    for (char& c : native)
        if (c == '\\') c = '/';
    if (native.size() > 4) {
        std::string tail = native.substr(native.size() - 4);
        for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (tail == ".exe") native.resize(native.size() - 4);
    }
    return native;
}

// Closes every descriptor above the standard three; only async-signal-safe calls.
static void CloseInherited(int limit) {
#if defined(__linux__) && defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    if (close_range(3, ~0U, 0) == 0) return;
#endif
    for (int fd = 3; fd < limit; fd++) close(fd);
}

void PlatStartProgram(const std::string& program, const std::string& paramText,
                      const std::string& workDir) {
    // Everything the children need is built before the fork: after it only
    // async-signal-safe calls are allowed.
    std::string path = PlatProgramPath(program);
    // The program path is ours, not the new directory's, to resolve.
    char here[4096];
    if (!workDir.empty() && !path.empty() && path[0] != '/' && getcwd(here, sizeof here))
        path = std::string(here) + "/" + path;
    std::vector<std::string> words = PlatSplitParams(paramText);
    std::vector<char*> argv;
    argv.push_back(path.data());
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    struct rlimit files = {};
    int limit = 1 << 20; // the kernel's own ceiling on open descriptors
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < static_cast<rlim_t>(limit))
        limit = static_cast<int>(files.rlim_cur);

    // Fork twice: the middle child ends at once and is reaped here, so the
    // program belongs to init and never becomes our zombie.
    pid_t middle = fork();
    if (middle < 0) return;
    if (middle == 0) {
        setsid();
        pid_t game = fork();
        if (game == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int s = 1; s < NSIG; s++) signal(s, SIG_DFL);
            CloseInherited(limit);
            if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
        _exit(0);
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
}
