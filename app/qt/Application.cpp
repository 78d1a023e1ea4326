#include "app/qt/Application.h"

#include "platform/MessageBox.h"
#include "platform/Thread.h"
#include "platform/qt/Design.h"

#include <QFont>
#include <QFontInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>

// The icons live in this static library: their registration is pulled in by
// name, or the linker would leave it out.
static void loadIconResources() { Q_INIT_RESOURCE(kestrune); }

namespace kestrune {

KestruneApplication::KestruneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    loadIconResources();
    platform::setShellBackend(&shell_);
    // A thread whose body fails says so in the error box, as an escaped
    // exception does.
    platform::setThreadFailureHandler([this](const std::string& what) { reportEscaped(what.c_str()); });
    // The style is the user's: -style, QT_STYLE_OVERRIDE or the desktop's
    // theme (Breeze on KDE, qt6ct's choice). Asked for none, Qt takes Fusion.
    styleName_ = style()->name().toLower().toStdString();
    // The user's face, as the desktop's theme (qt6ct, GTK's settings, KDE's)
    // gave it to Qt: a larger one than the default grows every window whole,
    // read once, as a system-aware Windows program reads its screen's DPI.
    const QFont desktop = font();
    const double points = desktop.pointSizeF() > 0 ? desktop.pointSizeF() : QFontInfo(desktop).pointSizeF();
    platform::setDesignScale(platform::DesignScale::forFace(points));
    // The windows are laid out in pixels for an 8-point sans face of 11 pixels.
    face_.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                       QStringLiteral("DejaVu Sans")});
    face_.setPixelSize(platform::px(kDesignFacePixels));
    setFont(face_);
    // A platform theme (qt6ct, a desktop's settings) sets its fonts once the
    // event loop runs.
    keepFace();
    // Group boxes as the windows were laid out: the caption sits on the top
    // edge of the frame, so controls 16 pixels down are inside it.
    QString sheet = QStringLiteral(
                        "QGroupBox { border: 1px solid palette(mid); border-radius: %1px; margin-top: %2px; }"
                        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                        " left: %3px; padding: 0px %4px; }")
                        .arg(platform::px(3))
                        .arg(platform::px(6))
                        .arg(platform::px(7))
                        .arg(platform::px(2));
    // Radio buttons and check boxes grow with the face, as their captions do;
    // the style's own size stays at the default face.
    if (platform::designScale().ratio() > 1)
        sheet += QStringLiteral("QRadioButton::indicator, QCheckBox::indicator { width: %1px; height: %1px; }")
                     .arg(platform::px(kDesignIndicatorPixels));
    setStyleSheet(sheet);
    // The main window ends the program; other windows closing (a message box
    // while the main window is hidden) must not.
    setQuitOnLastWindowClosed(false);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addFile(QStringLiteral(":/kestrune/kestrune-%1.png").arg(size));
    setWindowIcon(icon);
    setDesktopFileName(QStringLiteral("io.example.Kestrune"));
}

KestruneApplication::~KestruneApplication() {
    DestroyForms();
    platform::setThreadFailureHandler({});
    platform::setShellBackend(nullptr);
}

void KestruneApplication::DestroyForms() {
    // Newest first, as they may refer to older ones.
    while (!forms_.empty()) forms_.pop_back();
}

void KestruneApplication::SetTitle(const std::string& title) {
    // Only the name: a display name would be added to every window's caption.
    setApplicationName(QString::fromStdString(title));
}

std::string KestruneApplication::title() const { return applicationName().toStdString(); }

bool KestruneApplication::DestroyForm(QWidget* form) {
    auto it = std::find_if(forms_.begin(), forms_.end(), [form](const auto& f) { return f.get() == form; });
    if (it == forms_.end()) return false;
    forms_.erase(it);
    return true;
}

void KestruneApplication::ShowException(const std::string& message) {
    platform::messageBox(activeWindow(), message, title(), platform::BoxKind::Error);
}

void KestruneApplication::reportEscaped(const char* message) {
    try {
        ShowException(message);
    } catch (...) {
        // Even the box could not be made (memory ran out): the loop goes on.
        std::fputs(message, stderr);
        std::fputc('\n', stderr);
    }
}

void KestruneApplication::EndWithSession(int fd, std::function<void()> close) {
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier, close = std::move(close)] {
        notifier->setEnabled(false);
        close();
        // A close put off by an operation waits for it to unwind: a box or the
        // scrub window returns now (and any later one at once), the recovery
        // stops at its next tick on the same request.
        quit();
    });
}

bool KestruneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc& e) {
        // A frame that could not be painted for want of memory is skipped;
        // the next one is painted as usual.
        if (event->type() != QEvent::Paint) reportEscaped(e.what());
    } catch (const std::exception& e) {
        reportEscaped(e.what());
    } catch (...) {
        reportEscaped("Unknown error");
    }
    return false;
}

void KestruneApplication::keepFace() {
    if (faceQueued_) return;
    faceQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        faceQueued_ = false;
        if (font() == face_ && font("QMenuBar") == face_ && font("QPushButton") == face_ && font("QLabel") == face_)
            return;
        // Without a class name this also drops the theme's fonts for classes
        // of widget (menus, buttons, labels), which would outgrow the layout.
        setFont(face_);
        // Qt tells only the windows, whose own font has not changed, so their
        // controls would keep the theme's: each is told itself.
        QEvent changed(QEvent::ApplicationFontChange);
        for (QWidget* w : allWidgets()) sendEvent(w, &changed);
    });
}

bool KestruneApplication::event(QEvent* e) {
    // The windows keep their face, scaled at start with the desktop's: a
    // theme's own fonts for classes of widget would outgrow the layout.
    if (e->type() == QEvent::ApplicationFontChange || e->type() == QEvent::ThemeChange) keepFace();
    return QApplication::event(e);
}

}  // namespace kestrune
