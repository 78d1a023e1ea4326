#pragma once

#include "platform/qt/ShellBackend.h"

#include <QApplication>
#include <QFont>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// The application object: owns the windows it creates and destroys them at
// exit, and reports an exception that escapes an event handler in its
// standard error box instead of letting it unwind through the event loop.
class KestruneApplication final : public QApplication {
public:
    // The face the windows are laid out for, in design pixels: 8 points.
    static constexpr int kDesignFacePixels = 11;
    // A radio button's or check box's box, as designed.
    static constexpr int kDesignIndicatorPixels = 13;

    KestruneApplication(int& argc, char** argv);
    ~KestruneApplication() override;

    void SetTitle(const std::string& title);
    // The widget style the windows are drawn in, below the program's own
    // style sheet: the user's, or Fusion.
    const std::string& styleName() const { return styleName_; }
    std::string title() const;

    template <typename Form, typename... Args>
    Form* CreateForm(Args&&... args) {
        auto form = std::make_unique<Form>(std::forward<Args>(args)...);
        Form* raw = form.get();
        forms_.push_back(std::move(form));
        return raw;
    }
    // Destroys a window this object created; false if it is not one of them.
    bool DestroyForm(QWidget* form);
    // Destroys every window it still owns, newest first.
    void DestroyForms();

    void ShowException(const std::string& message);

    // Once `fd` turns readable (the session asks the program to end), runs
    // `close`, then ends every event loop, modal ones included.
    void EndWithSession(int fd, std::function<void()> close);

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    bool event(QEvent* e) override;

private:
    // Puts the windows' own face back over a platform theme's fonts.
    void keepFace();

    // Shows an escaped exception's message; never throws itself.
    void reportEscaped(const char* message);

    std::vector<std::unique_ptr<QWidget>> forms_;
    QFont face_;
    std::string styleName_;
    platform::QtShellBackend shell_;
    bool faceQueued_ = false;
};

}  // namespace kestrune
