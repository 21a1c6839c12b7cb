#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace qm::log {

// What the core does step by step, for whoever listens: the desktop layer passes it to Qt's logging
// categories (quillmark.book, quillmark.convert, quillmark.pdf), so QT_LOGGING_RULES="quillmark.*=true"
// shows it. Without a listener nothing is formatted at all.
enum class Area { Book, Convert, Pdf };

using Sink = std::function<bool(Area area)>;
using Writer = std::function<void(Area area, const std::string& line)>;

// Sets who is asked whether an area is listened to, and who receives its lines; empty functions stop both.
void SetListener(Sink enabled, Writer write);

bool Enabled(Area area);
void Write(Area area, const std::string& line);

// Writes `what` with the time since it was made when it goes out of scope ("extracted the book: 12 ms").
class Step {
public:
    Step(Area area, std::string what);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

private:
    Area area_;
    std::string what_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace qm::log
