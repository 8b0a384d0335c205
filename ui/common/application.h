// The program's QApplication: an exception that escapes an event handler, a timer or a
// serial component handler is shown in the application's general error box and the program
// goes on.
#pragma once

#include <QApplication>
#include <exception>

namespace core {
class IPrompts;
}

namespace ui {

class Application final : public QApplication {
    Q_OBJECT
public:
    /// Also routes the serial component's exception report (comm) to ReportException.
    Application(int& argc, char** argv);
    ~Application() override;

    /// Where errors are shown; nullptr (the default) writes them to stderr. Must outlive its
    /// use; set it back to nullptr before it goes.
    void SetPrompts(core::IPrompts* prompts) { m_prompts = prompts; }

    /// Delivers the event; an exception is caught and reported instead of ending the program.
    bool notify(QObject* receiver, QEvent* event) override;

    /// Shows `error` after the current event has been handled: an EVaCommError in a box
    /// titled "Error" with its message, any other exception in the general error box
    /// (caption "Monitor VELS5") with its text.
    void ReportException(std::exception_ptr error);

private:
    void Show(const QString& caption, const QString& text);

    core::IPrompts* m_prompts = nullptr;
    int m_showing = 0;
};

} // namespace ui
