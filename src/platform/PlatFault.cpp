// Processor faults on POSIX: signal handlers on an alternate stack, the
// Windows exception code of each fault and its source line from the debug
// information (libbacktrace).
#include "PlatformFault.h"

#include <atomic>
#include <backtrace.h>
#include <csetjmp>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#ifndef VREM_SOURCE_ROOT
#define VREM_SOURCE_ROOT ""
#endif

#if defined(__x86_64__)
#define VREM_SP_REG "rsp"
#elif defined(__i386__)
#define VREM_SP_REG "esp"
#endif

namespace {

const int FaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
const int FaultSignalCount = sizeof FaultSignals / sizeof FaultSignals[0];

// Big enough for the debug-information lookup and a message box.
const size_t AltStackSize = 1024 * 1024;
// A SIGSEGV this close to the stack pointer is taken for a stack overflow.
const uintptr_t StackSlack = 64 * 1024;
// How many callers are searched for a line in the program's own sources.
const int MaxCallerFrames = 64;
const int FileNameSize = 1024;

PlatFaultCallback FaultCallback = nullptr;
backtrace_state* Backtrace = nullptr;
void* AltStack = nullptr;
bool HandlersInstalled = false;
// Lowest stack address of the thread that installed the handlers, 0 when unknown.
uintptr_t StackLow = 0;

// 0 idle, 1 looking up the line, 2 inside the callback.
volatile sig_atomic_t FaultPhase = 0;
// The thread that handles the fault; other threads that fault meanwhile wait
// for the process to end.
std::atomic<pid_t> FaultThread{0};
sigjmp_buf LookupEscape;

// What the line lookup found so far: the innermost frame of the best rank
// (3 own sources, 2 repository, 1 elsewhere, 0 nothing).
struct FaultSite {
    int rank = 0;
    int line = 0;
    char file[FileNameSize] = {};
    uintptr_t faultPc = 0;
    bool pastFault = false;
    int callers = 0;
};
FaultSite Site;

// True when `path` starts with the folder `root` (a whole path component).
bool InFolder(const char* path, const char* root) {
    size_t n = std::strlen(root);
    if (n == 0 || std::strncmp(path, root, n) != 0) return false;
    return path[n] == '/' || root[n - 1] == '/';
}

// Length of the repository folder (the source root's parent) in the root
// text; 0 when the root has no parent.
size_t RepoRootLength() {
    const char* root = VREM_SOURCE_ROOT;
    size_t n = std::strlen(root);
    while (n > 1 && root[n - 1] == '/') n--;
    while (n > 0 && root[n - 1] != '/') n--;
    while (n > 1 && root[n - 1] == '/') n--;
    return n > 1 ? n : 0;
}

// Copies `path` into `out` with "." and ".." components resolved and
// repeated separators merged; returns false when it does not fit.
bool NormalisePath(const char* path, char* out, size_t size) {
    size_t len = 0;
    const char* p = path;
    bool absolute = *p == '/';
    if (absolute) {
        if (size < 2) return false;
        out[len++] = '/';
    }
    while (*p) {
        while (*p == '/') p++;
        const char* start = p;
        while (*p && *p != '/') p++;
        size_t n = static_cast<size_t>(p - start);
        if (n == 0 || (n == 1 && start[0] == '.')) continue;
        if (n == 2 && start[0] == '.' && start[1] == '.') {
            size_t floor = absolute ? 1 : 0;
            if (len > floor) {
                while (len > floor && out[len - 1] != '/') len--;
                if (len > floor) len--;
                continue;
            }
            if (absolute) continue;
        }
        if (len > 0 && out[len - 1] != '/') {
            if (len + 1 >= size) return false;
            out[len++] = '/';
        }
        if (len + n >= size) return false;
        std::memcpy(out + len, start, n);
        len += n;
    }
    out[len] = '\0';
    return true;
}

// 3 for a file among the program's sources, 2 elsewhere in the repository,
// 1 for any other named file, 0 for none.
int FileRank(const char* file) {
    if (!file || !*file) return 0;
    char clean[FileNameSize];
    if (!NormalisePath(file, clean, sizeof clean)) return 1;
    if (InFolder(clean, VREM_SOURCE_ROOT)) return 3;
    size_t repo = RepoRootLength();
    if (repo > 0 && std::strncmp(clean, VREM_SOURCE_ROOT, repo) == 0 && clean[repo] == '/')
        return 2;
    return 1;
}

// Keeps `file`:`line` when it ranks above what was found; returns nonzero
// once a line in the program's own sources is known.
int Consider(const char* file, int line) {
    int rank = FileRank(file);
    if (rank > Site.rank && line > 0) {
        Site.rank = rank;
        Site.line = line;
        std::strncpy(Site.file, file, sizeof Site.file - 1);
        Site.file[sizeof Site.file - 1] = '\0';
    }
    return Site.rank == 3 ? 1 : 0;
}

// Inline levels of the faulting instruction, innermost first.
int OnFaultLine(void*, uintptr_t, const char* file, int line, const char*) {
    return Consider(file, line);
}

// Frames of the handler's stack walk: those up to the interrupted one are
// skipped, then the callers are searched.
int OnCallerLine(void*, uintptr_t pc, const char* file, int line, const char*) {
    if (!Site.pastFault) {
        if (pc == Site.faultPc) Site.pastFault = true;
        return 0;
    }
    if (pc == Site.faultPc) return 0;
    if (++Site.callers > MaxCallerFrames) return 1;
    return Consider(file, line);
}

// Lookup errors leave the line unknown.
void OnBacktraceError(void*, const char*, int) {}

// Program counter and stack pointer of the interrupted thread.
void ContextRegisters(void* context, uintptr_t& pc, uintptr_t& sp) {
    pc = sp = 0;
    if (!context) return;
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
    pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
    sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
    pc = static_cast<uintptr_t>(uc->uc_mcontext.pc);
    sp = static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
    (void)uc;
#endif
}

// True when the instruction at `pc` may only run in kernel mode (x86 raises
// a general-protection fault for it, which arrives as a plain SIGSEGV).
bool PrivilegedInstruction(uintptr_t pc) {
#if defined(__x86_64__) || defined(__i386__)
    if (pc == 0) return false;
    const unsigned char* op = reinterpret_cast<const unsigned char*>(pc);
    int i = 0;
    // Legacy and REX prefixes.
    while (i < 4 &&
           (op[i] == 0x66 || op[i] == 0x67 || op[i] == 0xF2 || op[i] == 0xF3 || op[i] == 0x2E ||
            op[i] == 0x3E || op[i] == 0x26 || op[i] == 0x36 || op[i] == 0x64 || op[i] == 0x65))
        i++;
#if defined(__x86_64__)
    if ((op[i] & 0xF0) == 0x40) i++;
#endif
    unsigned char b = op[i];
    // hlt, cli, sti, in, out, ins, outs.
    if (b == 0xF4 || b == 0xFA || b == 0xFB || (b >= 0xE4 && b <= 0xE7) ||
        (b >= 0xEC && b <= 0xEF) || b == 0x6C || b == 0x6D || b == 0x6E || b == 0x6F)
        return true;
    if (b != 0x0F) return false;
    unsigned char c = op[i + 1];
    // clts, invd, wbinvd, wrmsr, rdmsr, mov to/from control and debug
    // registers, and the descriptor-table group (lgdt, lidt, lmsw, invlpg).
    if (c == 0x06 || c == 0x08 || c == 0x09 || c == 0x30 || c == 0x32 || (c >= 0x20 && c <= 0x23))
        return true;
    if (c == 0x01) {
        unsigned char reg = static_cast<unsigned char>((op[i + 2] >> 3) & 7);
        return reg == 2 || reg == 3 || reg == 6 || reg == 7;
    }
    if (c == 0x00) {
        unsigned char reg = static_cast<unsigned char>((op[i + 2] >> 3) & 7);
        return reg == 2 || reg == 3; // lldt, ltr
    }
#else
    (void)pc;
#endif
    return false;
}

// True when a SIGSEGV at `addr` hit the end of the interrupted stack.
bool StackFault(uintptr_t addr, uintptr_t sp) {
    if (sp != 0 && addr + StackSlack >= sp && addr <= sp + StackSlack) return true;
    // The main thread's guard area just below its lowest possible address.
    return StackLow != 0 && addr < StackLow + 4096 && addr + StackSlack >= StackLow;
}

// Gives every fault signal its default action again.
void RestoreDefaults() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &action, nullptr);
}

// Resolves the source line of the fault into Site.
void FindFaultSite(uintptr_t pc, uintptr_t lookupPc) {
    Site = FaultSite();
    Site.faultPc = pc;
    if (!Backtrace || pc == 0) return;
    if (backtrace_pcinfo(Backtrace, lookupPc, OnFaultLine, OnBacktraceError, nullptr) != 0) return;
    // No line of our own at the fault (a library routine, or code without
    // debug information): take the nearest caller that has one.
    backtrace_full(Backtrace, 0, OnCallerLine, OnBacktraceError, nullptr);
}

// The handler of every fault signal: reports kernel-raised faults through
// the callback and ends the process; sent signals get their default action.
void OnFaultSignal(int signal, siginfo_t* info, void* context) {
#if defined(__x86_64__) || defined(__i386__)
    // The signal keeps the alignment-check flag, and the report itself does
    // unaligned accesses.
    asm volatile("pushf\n\tandl $~0x40000, (%%" VREM_SP_REG ")\n\tpopf" ::: "memory", "cc");
#endif
    int siCode = info ? info->si_code : 0;
    if (siCode <= 0 || !FaultCallback) {
        RestoreDefaults();
        raise(signal);
        return;
    }
    pid_t self = gettid();
    pid_t owner = 0;
    if (!FaultThread.compare_exchange_strong(owner, self)) {
        if (owner != self)
            for (;;) pause();
        if (FaultPhase == 1) siglongjmp(LookupEscape, 1);
        _exit(0);
    }
    uintptr_t pc = 0, sp = 0;
    ContextRegisters(context, pc, sp);
    uintptr_t addr = reinterpret_cast<uintptr_t>(info->si_addr);
    bool stack = signal == SIGSEGV && siCode != SI_KERNEL && StackFault(addr, sp);
    bool privileged = signal == SIGSEGV && siCode == SI_KERNEL && PrivilegedInstruction(pc);
    uint32_t code = PlatFaultCode(signal, siCode, stack, privileged);

    // A breakpoint leaves the counter after its one-byte instruction.
    uintptr_t lookupPc = pc;
    if (signal == SIGTRAP && code == 0x80000003u && pc > 0) lookupPc = pc - 1;
    FaultPhase = 1;
    if (sigsetjmp(LookupEscape, 1) == 0) FindFaultSite(pc, lookupPc);
    FaultPhase = 2;

    char file[FileNameSize] = "";
    if (Site.rank > 0) PlatFaultFileName(Site.file, file, sizeof file);
    FaultCallback(code, Site.rank > 0 ? Site.line : 0, file);
    _exit(0);
}

// Records the installing thread's lowest stack address for the overflow test.
void FindStackBounds() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr && size) {
        StackLow = reinterpret_cast<uintptr_t>(addr);
    }
    pthread_attr_destroy(&attr);
}

} // namespace

// Returns the Windows code of a fault signal, 0 when none fits; no state.
uint32_t PlatFaultCode(int signal, int siCode, bool stackFault, bool privileged) {
    switch (signal) {
    case SIGSEGV:
        if (stackFault) return 0xC00000FDu;
        if (privileged) return 0xC0000096u;
        return 0xC0000005u;
    case SIGBUS:
        if (siCode == BUS_ADRALN) return 0x80000002u;
        return 0xC0000006u;
    case SIGFPE:
        switch (siCode) {
        case FPE_INTDIV:
            return 0xC0000094u;
        case FPE_INTOVF:
            return 0xC0000095u;
        case FPE_FLTDIV:
            return 0xC000008Eu;
        case FPE_FLTOVF:
            return 0xC0000091u;
        case FPE_FLTUND:
            return 0xC0000093u;
        case FPE_FLTRES:
            return 0xC000008Fu;
        case FPE_FLTINV:
            return 0xC0000090u;
        case FPE_FLTSUB:
            return 0xC000008Cu;
        default:
            return 0;
        }
    case SIGILL:
        if (siCode == ILL_PRVOPC || siCode == ILL_PRVREG) return 0xC0000096u;
        return 0xC000001Du;
    case SIGTRAP:
        if (siCode == TRAP_TRACE || siCode == TRAP_HWBKPT) return 0x80000004u;
        return 0x80000003u;
    default:
        return 0;
    }
}

// Writes the report's form of `path` into `out`; no other state.
void PlatFaultFileName(const char* path, char* out, int size) {
    if (size <= 0) return;
    out[0] = '\0';
    if (!path || !*path) return;
    char clean[FileNameSize];
    if (!NormalisePath(path, clean, sizeof clean)) {
        std::strncpy(clean, path, sizeof clean - 1);
        clean[sizeof clean - 1] = '\0';
    }
    const char* rest = clean;
    size_t root = std::strlen(VREM_SOURCE_ROOT);
    size_t repo = RepoRootLength();
    if (InFolder(clean, VREM_SOURCE_ROOT))
        rest = clean + root;
    else if (repo > 0 && std::strncmp(clean, VREM_SOURCE_ROOT, repo) == 0 && clean[repo] == '/')
        rest = clean + repo;
    while (*rest == '/') rest++;
    int n = 0;
    out[n++] = '\\';
    for (; *rest && n < size - 1; rest++) out[n++] = *rest == '/' ? '\\' : *rest;
    if (n >= size) n = size - 1;
    out[n] = '\0';
}

// Sets the callback, the debug-information state, the alternate stack of the
// calling thread and the handlers.
void PlatSetFaultCallback(PlatFaultCallback callback) {
    FaultCallback = callback;
    // The debug information itself is read at the first fault: reading it
    // for every loaded library costs a noticeable part of a second.
    if (!Backtrace) Backtrace = backtrace_create_state(nullptr, 0, OnBacktraceError, nullptr);
    if (StackLow == 0) FindStackBounds();
    if (!AltStack) {
        void* block = mmap(nullptr, AltStackSize + 4096, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block != MAP_FAILED) {
            // The lowest page stays inaccessible so an overrun faults.
            mprotect(block, 4096, PROT_NONE);
            AltStack = static_cast<char*>(block) + 4096;
        }
    }
    if (AltStack) {
        stack_t stack;
        std::memset(&stack, 0, sizeof stack);
        stack.ss_sp = AltStack;
        stack.ss_size = AltStackSize;
        sigaltstack(&stack, nullptr);
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnFaultSignal;
    // SA_NODEFER lets a fault inside the handler reach it again instead of
    // killing the process.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < FaultSignalCount; i++) sigaction(FaultSignals[i], &action, nullptr);
    HandlersInstalled = true;
}

// Drops the callback and gives the signals their default action.
void PlatClearFaultCallback() {
    if (HandlersInstalled) RestoreDefaults();
    HandlersInstalled = false;
    FaultCallback = nullptr;
}
