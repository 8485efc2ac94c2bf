#pragma once

#include <cstdio>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

// Runs check in a child process that has dropped root, whose permissions root would ignore;
// the child's exit status is check's, -1 when the child could not run or did not exit.
inline int asOrdinaryUser(const std::function<int()> &check)
{
    fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(90);
        _exit(check());
    }
    int result = 0;
    if (waitpid(child, &result, 0) != child || !WIFEXITED(result))
        return -1;
    return WEXITSTATUS(result);
}
