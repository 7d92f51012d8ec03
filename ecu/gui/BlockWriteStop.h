#pragma once
// Closing a window while a block write to the ECU runs (the exchange's
// Write, a logbook Restore). The write runs inside a window's command while
// the event loop turns, so the close arrives in the middle of it. It is
// held, and the question whether to stop comes at the next record boundary,
// where the ECU holds whole records only: asked in the middle of a record,
// the ECU would give the record up while the question is open. Yes stops the
// write there (the logbook says "interrupted" and the backup is offered back
// as after a failed write) and the window closes once the write is over; No
// leaves the write and the window as they were. A close that comes when no
// record is left to stop at (during the read-back) is carried out when the
// write is over, as after a single write.
#include <string>

struct UserPrompt;
class SafeWrite;

class BlockWriteStop {
public:
    // Who closes: the window running the write, or the main frame, which
    // takes its windows with it.
    enum Closer : int { kWindow = 1, kFrame = 2 };

    explicit BlockWriteStop(UserPrompt& prompt) : prompt_(prompt) {}

    // A block write runs while one of these lives.
    class Running {
    public:
        explicit Running(BlockWriteStop& stop);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        BlockWriteStop& stop_;
    };

    // The safe write asks here between its phases and records.
    void Attach(SafeWrite& write);
    bool WriteRunning() const { return running_ > 0; }
    // closer's window was asked to close while a write runs: the caller
    // ignores the close, which is held for the question.
    void HoldClose(Closer closer) { held_ |= closer; }
    // The closers whose windows close now the write is over (0 for none);
    // the window that ran the write closes for either.
    int Closing() const { return closing_; }
    // The same, cleared: the frame takes it when the window's command ends.
    int TakeClosing();

private:
    // The safe write's stop hook: true stops the write here.
    bool StopHere();

    UserPrompt& prompt_;
    int running_ = 0;
    int held_ = 0;      // closes not put to the question yet
    int closing_ = 0;   // closes to carry out when the write is over
};

// "A write to the ECU is running. ..." (Yes/No, default No).
std::string StopWriteQuestion();
