#include "app/kernel/failure_text.h"

#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"

namespace app {

std::string fs_failure_text(const Shell& shell, const platform::fs::FsError& failure) {
    namespace error = platform::fs::error;
    switch (failure.code()) {
        case error::FileNotFound:
        case error::PathNotFound: return shell.text("msg478");
        case error::AccessDenied: return shell.text("msg479");
        case error::SharingViolation: return shell.text("msg480");
        case error::DiskFull: return shell.text("msg481");
        case error::NotReady: return shell.text("msg482");
    }
    return fill_in(shell.text("msg483"), {std::to_string(failure.code())});
}

}  // namespace app
