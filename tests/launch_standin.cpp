// Stands in for a game program in the launcher tests: appends what it was
// started with to "started.log" in its current directory, then stays alive
// until a file "release" appears there (at most 30 s) and notes its end.
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

// Appends `text` to the log in one write, so records of several processes never mix.
static void Append(const std::string& text) {
    int fd = open("started.log", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t written = write(fd, text.data(), text.size());
    (void)written;
    close(fd);
}

// Returns the open descriptors above the standard three, blank separated.
static std::string ExtraDescriptors() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return "?";
    int own = dirfd(dir);
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        int fd = std::atoi(e->d_name);
        if (fd > 2 && fd != own) list += (list.empty() ? "" : " ") + std::string(e->d_name);
    }
    closedir(dir);
    return list;
}

int main(int argc, char** argv) {
    char cwd[4096] = {};
    if (!getcwd(cwd, sizeof cwd)) cwd[0] = 0;
    std::string record = "start " + std::to_string(getpid()) + "\n";
    record += "prog " + std::string(argv[0]) + "\n";
    for (int i = 1; i < argc; i++) record += "arg " + std::string(argv[i]) + "\n";
    record += "cwd " + std::string(cwd) + "\n";
    record += "sid " + std::to_string(getsid(0)) + "\n";
    record += "fds " + ExtraDescriptors() + "\n";
    Append(record);
    for (int i = 0; i < 300 && access("release", F_OK) != 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Append("end " + std::to_string(getpid()) + "\n");
    return 0;
}
