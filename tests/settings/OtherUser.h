#pragma once
// Permission checks under root: root may write any file, so a test that needs
// a folder its user may not write runs that step in a child process with the
// rights of another user.

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veltor::test {

// The user whose rights a child process takes when the tests run as root;
// null otherwise (and when there is no user named nobody).
inline const passwd* OtherUser() {
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

// Runs step in a child process with the user's rights and returns its exit
// status; 127 when the rights could not be taken, 126 when the child did not
// finish.
inline int RunAs(const passwd& user, const std::function<int()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(user.pw_gid) != 0 ||
            ::setuid(user.pw_uid) != 0)
            ::_exit(127);
        ::_exit(step());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 126;
    return WEXITSTATUS(status);
}

} // namespace veltor::test
