// Faults on purpose, one per mode named by the first parameter. The lines
// marked "fault:" are the ones the report must name.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

#include "OnErrorHandler.h"
#include "platform/PlatformFault.h"

// Volatile so that no fault is folded away or proven at compile time.
int* volatile NullPointer = nullptr;
volatile int Zero = 0;
volatile int Seven = 7;
volatile size_t Sixteen = 16;
volatile long StopDepth = -1;

__attribute__((noinline)) void NullWrite() {
    *NullPointer = 1; // fault: null-write
}

__attribute__((noinline)) int DivideByZero() {
    return Seven / Zero; // fault: divide
}

// fault: overflow-begin
__attribute__((noinline)) long Recurse(long depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (depth == StopDepth) return 0;
    return Recurse(depth + 1) + frame[0];
}
// fault: overflow-end

__attribute__((noinline)) void IllegalInstruction() {
    __builtin_trap(); // fault: illegal
}

__attribute__((noinline)) void Breakpoint() {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3"); // fault: breakpoint
#endif
}

__attribute__((noinline)) void PrivilegedInstruction() {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("hlt"); // fault: privileged
#endif
}

// Reads past the end of a file mapping whose file was cut short.
__attribute__((noinline)) int PageError() {
    int fd = open("cut.bin", O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ftruncate(fd, 4096) != 0) return -1;
    volatile int* page =
        static_cast<volatile int*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    if (page == MAP_FAILED || ftruncate(fd, 0) != 0) return -1;
    return page[0]; // fault: page-error
}

// A 4-byte load from an odd address with alignment checking switched on.
__attribute__((noinline)) int Misaligned() {
    alignas(8) static char bytes[16];
    char* volatile odd = bytes + 1;
    int value = 0;
#if defined(__x86_64__)
    asm volatile("pushf\n\torl $0x40000, (%%rsp)\n\tpopf\n\tmovl (%1), %0\n\t" // fault: misaligned
                 "pushf\n\tandl $~0x40000, (%%rsp)\n\tpopf"
                 : "=r"(value)
                 : "r"(odd)
                 : "memory", "cc");
#endif
    return value;
}

// A fault inside a C library routine: the report names the calling line.
__attribute__((noinline)) void LibraryFault() {
    std::memset(NullPointer, 0, Sixteen); // fault: library
    Zero = 0;                             // keeps the call above from becoming a jump
}

// A callback that faults itself: the process must end quietly.
void FaultingCallback(uint32_t, int, const char*) {
    std::fputs("callback entered\n", stderr);
    std::fflush(stderr);
    *NullPointer = 2;
}

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "reentry")
        PlatSetFaultCallback(FaultingCallback);
    else
        InstallErrorHandler();
    if (mode == "none") {
        std::puts("no fault");
        return 3;
    }
    if (mode == "removed") RemoveErrorHandler();
    if (mode == "null-write" || mode == "removed" || mode == "reentry") NullWrite();
    if (mode == "divide") std::printf("%d\n", DivideByZero());
    if (mode == "overflow") std::printf("%ld\n", Recurse(0));
    if (mode == "illegal") IllegalInstruction();
    if (mode == "breakpoint") Breakpoint();
    if (mode == "privileged") PrivilegedInstruction();
    if (mode == "page-error") std::printf("%d\n", PageError());
    if (mode == "misaligned") std::printf("%d\n", Misaligned());
    if (mode == "library") LibraryFault();
    if (mode == "sent") raise(SIGSEGV);
    if (mode == "thread") std::thread(NullWrite).join();
    std::puts("survived");
    return 5;
}
