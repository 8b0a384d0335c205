// The main window's first showing: the question when another copy of the program runs, the
// clean-up of old saved journals and the offer to open a journal the program left unfinished.
#include "core/common/prompts.h"
#include "core/journal/journal_store.h"
#include "core/session/running_copies.h"
#include "ui/main/form1.h"
#include "ui/table/form_tabl.h"

#include <QFile>

namespace ui {

bool TForm1::AskAboutOtherCopies() {
    // Not entered (a folder that cannot be made): this copy goes on unseen by the others.
    (void)m_copy.Register(m_runningDir);
    const std::vector<core::RunningCopy> others =
        core::OtherRunningCopies(m_runningDir, m_copy.Name());
    if (others.empty())
        return true;
    return m_prompts.Question(core::kAppTitle, core::OtherCopiesQuestion(others),
                              core::PromptButtons::YesNo) == core::PromptAnswer::Yes;
}

void TForm1::TendJournals() {
    core::RemoveExpiredJournals(m_journalDir, m_clock.Now());
    // Newest first, each asked once: "No" keeps it on disk and asks about the next; "Yes"
    // opens it, and the older ones wait for the next start (opening two would replace one).
    for (const core::JournalEntry& journal :
         core::JournalsToOffer(core::ListJournals(m_journalDir))) {
        if (!m_windows.tabl || m_session->PortOpen())
            return; // a port is open: nothing may be loaded now
        const core::PromptAnswer answer = m_prompts.Question(
            core::kAppTitle, core::RecoveryQuestion(journal), core::PromptButtons::YesNo);
        // Offered once either way; a marks file that cannot be written means it is asked
        // again at the next start, which loses nothing.
        (void)core::MarkJournalOffered(journal.path);
        if (answer == core::PromptAnswer::Yes) {
            // Shown first: each showing of the table window starts with an empty list.
            m_windows.tabl->show();
            m_windows.tabl->LoadTableFile(QFile::decodeName(journal.path.c_str()), true);
            return;
        }
    }
}

} // namespace ui
