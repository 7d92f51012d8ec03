#pragma once
// The main frame's side of the machine's logbook: the names its entries
// carry (the same for block writes and single writes), the entries of the
// single writes (Shift+Enter, the constants list), and what the Logbook
// window's Restore and Open do with an entry.
#include <memory>
#include <string>
#include <vector>

#include "ecu/EcuSession.h"

class CMainFrame;
class CQelApp;
class Logbook;
struct LogEntry;
struct UserPrompt;

class FrameLogbook {
public:
    FrameLogbook(CMainFrame& frame, CQelApp& app, UserPrompt& prompt);
    ~FrameLogbook();

    // The names of this moment: the machine's folder (else its name) and the
    // identification the link expects, which a data file's definition may set.
    std::string Machine() const;
    std::string Ecu() const;
    // Points log at the machine's logbook under the names of now.
    void Point(SingleWriteLog& log);
    // Single writes through session, each run of them entered in the
    // logbook; an entry the logbook could not take is said (the write itself
    // stands). The code of WriteBytes.
    int SendSingleWrites(EcuSession& session, const std::vector<EcuByteWrite>& bytes);

    // The Logbook window's buttons on an entry of book: its data back into
    // the ECU, or into the edited calibration as one undo step. true when
    // the work was done.
    bool Restore(Logbook& book, const LogEntry& entry);
    bool Open(const LogEntry& entry);

private:
    // The question for data the ECU may never have held (default No).
    bool ConfirmDoubtful(const LogEntry& entry, const std::string& use, const std::string& caption);

    CMainFrame& frame_;
    CQelApp& app_;
    UserPrompt& prompt_;
    std::unique_ptr<Logbook> book_;   // where the single writes go
};
