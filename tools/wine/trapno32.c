/* Preloaded into every 32-bit Wine process that qemu-i386 runs (env32.sh).
 * qemu 10 writes trapno = -1 into the signal frame of a SIGSEGV that a guest memory
 * fault raises. Wine reads the fault's kind from trapno and, finding no page fault
 * there, reports an illegal instruction where Windows reports an access violation.
 * This wraps the SIGSEGV handler that Wine installs and puts back trapno 14 (page
 * fault) before Wine looks at it.
 * Freestanding (gcc -m32 -shared -nostdlib): no 32-bit headers or libraries needed to
 * build it; dlsym comes from the guest's libc when it is loaded. */
#define SIGSEGV 11
#define SA_SIGINFO 4
#define RTLD_NEXT ((void*)-1l)
#define REG_TRAPNO 12
#define GREGS_OFFSET 20 /* uc_flags, uc_link and the 12-byte stack_t come first */
#define TRAP_PAGE_FAULT 14

struct libc_sigaction {
    void (*handler)(int, void*, void*);
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

extern void* dlsym(void*, const char*);

static void (*wine_segv)(int, void*, void*);
static int (*real_sigaction)(int, const struct libc_sigaction*, struct libc_sigaction*);

static void segv_with_trapno(int sig, void* info, void* context) {
    int* gregs = (int*)((char*)context + GREGS_OFFSET);
    if (gregs[REG_TRAPNO] == -1) gregs[REG_TRAPNO] = TRAP_PAGE_FAULT;
    wine_segv(sig, info, context);
}

int sigaction(int sig, const struct libc_sigaction* act, struct libc_sigaction* old) {
    if (!real_sigaction)
        real_sigaction = (int (*)(int, const struct libc_sigaction*, struct libc_sigaction*))dlsym(
            RTLD_NEXT, "sigaction");
    if (sig == SIGSEGV && act && (act->flags & SA_SIGINFO) && act->handler != segv_with_trapno) {
        struct libc_sigaction wrapped = *act;
        wine_segv = act->handler;
        wrapped.handler = segv_with_trapno;
        return real_sigaction(sig, &wrapped, old);
    }
    return real_sigaction(sig, act, old);
}
