// The message-box seam. The library raises a message (fixed text; caption "Kavrin", an
// exclamation icon and an OK button); the window fills in how it is shown, tests record it.
// A message raised on a worker thread is shown on the message (user-interface) thread, and the
// worker waits until the user has dismissed it.
#pragma once

#include <functional>
#include <string>

namespace platform {

inline constexpr const char* kMessageCaption = "Kavrin";

enum class MessageIcon { Exclamation, Stop };

// Shows the message and returns once it is dismissed. Any thread.
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);

// Shows one message synchronously on the calling (message) thread.
using MessagePresenter = std::function<void(const std::string& text, MessageIcon icon)>;
// Asks the message thread to call DispatchPendingMessages() soon (for example by posting an
// event to its loop). Must not block.
using MessageWaker = std::function<void()>;

// Installs the presenter. With a waker, the calling thread becomes the message thread: messages
// raised elsewhere are queued for it. Without one, every thread presents directly (tests).
// An empty presenter restores the default, which writes the text to standard error.
void SetMessagePresenter(MessagePresenter presenter, MessageWaker waker = nullptr);

// On the message thread: shows every queued message, one after the other.
void DispatchPendingMessages();

// On the message thread, while it waits for a worker to end: the workers waiting for a message
// that is being shown right now stop waiting, as if it had been dismissed (the box stays up).
// A close that arrives while such a box is up would otherwise wait for the box, and the box for
// the close.
void ReleaseWorkersOfShownMessages();

// True on the message thread (false while no message thread is set).
bool IsMessageThread();

}  // namespace platform
