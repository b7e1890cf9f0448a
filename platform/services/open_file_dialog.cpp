#include "platform/services/open_file_dialog.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex g_chooserLock;
OpenFileChooser g_chooser;

}  // namespace

std::optional<std::string> AskOpenFileName(const OpenFileRequest& request) {
    OpenFileChooser chooser;
    {
        std::lock_guard<std::mutex> guard(g_chooserLock);
        chooser = g_chooser;
    }
    if (!chooser) return std::nullopt;
    return chooser(request);
}

void SetOpenFileChooser(OpenFileChooser chooser) {
    std::lock_guard<std::mutex> guard(g_chooserLock);
    g_chooser = std::move(chooser);
}

}  // namespace platform
