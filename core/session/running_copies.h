// The copies of the program running for one user. Each keeps a locked file in
// "<dataHome>/vels5/running/" for as long as it runs ("<pid>.lock"), and beside it what it
// holds now ("<pid>.txt": the port it has open and the journal it writes), so a second copy
// started by mistake can say so before it touches the port or the journals.
#pragma once

#include <string>
#include <vector>

namespace core {

/// "<dataHome>/vels5/running".
std::string RunningDir(const std::string& dataHome);

/// Another running copy as its files tell.
struct RunningCopy {
    std::string name;    ///< its files' name without the extension, e.g. "4711"
    std::string port;    ///< the port it has open, e.g. "COM3"; "" for none
    std::string journal; ///< the journal it writes; "" for none
};

/// This copy's entry in the folder, removed again when the object goes.
class CopyRegistration {
public:
    CopyRegistration() = default;
    ~CopyRegistration();
    CopyRegistration(const CopyRegistration&) = delete;
    CopyRegistration& operator=(const CopyRegistration&) = delete;

    /// Enters this copy into `dir` (created as needed) with what was noted so far. false when
    /// that cannot be done: the program runs on, only the other copies do not see it.
    bool Register(const std::string& dir);
    bool Registered() const { return m_fd >= 0; }
    /// Leaves the folder (the program is ending); Register enters it again.
    void Unregister();
    /// What this copy holds now; the file is rewritten only when it changed.
    void Note(const std::string& port, const std::string& journal);
    /// The name of its files, "" before Register.
    const std::string& Name() const { return m_name; }

private:
    void Write();

    std::string m_dir;
    std::string m_name;
    int m_fd = -1;
    std::string m_port;
    std::string m_journal;
};

/// The other copies running now in `dir` (the one named `self` left out), in name order. The
/// files of copies that ended without removing them (a kill, a power cut) are removed.
std::vector<RunningCopy> OtherRunningCopies(const std::string& dir, const std::string& self);

/// The question at start (UTF-8): "Программа уже запущена (порт COM3, журнал
/// /home/lab/.local/share/vels5/journal/2026-01-31_14-05-09.txt). Запустить ещё одну копию?";
/// one parenthesis per copy, "порт не открыт" and "журнал не пишется" for what it does not hold.
std::string OtherCopiesQuestion(const std::vector<RunningCopy>& copies);

} // namespace core
