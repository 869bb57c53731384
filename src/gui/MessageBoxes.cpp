#include "gui/MessageBoxes.h"

#include <QMutex>
#include <QMutexLocker>
#include <QQueue>

#include <functional>

namespace orvex::gui {

namespace {
struct TestState
{
    QMutex mutex;
    bool on = false;
    QQueue<QMessageBox::StandardButton> answers;
    QStringList shown;
    std::function<void(const QString&)> onShown;
};

TestState& state()
{
    static TestState s;
    return s;
}

// Records the text; in test mode returns the queued answer or the default.
bool recordForTest(const QString& text, QMessageBox::StandardButton defaultAnswer,
                   QMessageBox::StandardButton* answer)
{
    TestState& s = state();
    std::function<void(const QString&)> onShown;
    {
        QMutexLocker lock(&s.mutex);
        s.shown.append(text);
        if (!s.on)
            return false;
        *answer = s.answers.isEmpty() ? defaultAnswer : s.answers.dequeue();
        onShown = s.onShown;
    }
    if (onShown)
        onShown(text);
    return true;
}

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton,
                                 const QString& caption = MessageBoxes::title())
{
    QMessageBox::StandardButton answer = defaultButton;
    if (recordForTest(text, defaultButton, &answer))
        return answer;
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

QString MessageBoxes::title()
{
    return QStringLiteral("Kestra Orvex");
}

void MessageBoxes::information(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBoxes::error(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBoxes::applicationError(QWidget* parent, const QString& text)
{
    show(parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok,
         QStringLiteral("Application Error"));
}

QMessageBox::StandardButton MessageBoxes::question(QWidget* parent, const QString& text,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton defaultButton)
{
    return show(parent, QMessageBox::Question, text, buttons, defaultButton);
}

void MessageBoxes::setTestMode(bool on)
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    s.on = on;
    s.answers.clear();
    s.shown.clear();
}

bool MessageBoxes::testMode()
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    return s.on;
}

void MessageBoxes::queueAnswer(QMessageBox::StandardButton answer)
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    s.answers.enqueue(answer);
}

QStringList MessageBoxes::shown()
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    return s.shown;
}

void MessageBoxes::setShownHook(std::function<void(const QString&)> hook)
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    s.onShown = std::move(hook);
}

void MessageBoxes::clearShown()
{
    TestState& s = state();
    QMutexLocker lock(&s.mutex);
    s.shown.clear();
}

} // namespace orvex::gui
