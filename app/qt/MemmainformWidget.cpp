#include "app/qt/MemmainformWidget.h"

#include "platform/qt/Accessible.h"
#include "platform/qt/ActiveWindow.h"
#include "platform/qt/Design.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>

namespace kestrune {
namespace {

namespace m = mainform;
using platform::mnemonic;
using platform::place;
using platform::px;

QGroupBox* groupBox(QWidget* parent, const char* name, const char* title, const platform::Rect& r) {
    auto* box = new QGroupBox(QString::fromUtf8(title), parent);
    box->setObjectName(QString::fromUtf8(name));
    place(box, r);
    return box;
}

// Right-aligned scale label: grows to the left, so longer figures keep the
// designed right edge.
QLabel* scaleLabel(QWidget* parent, const char* name, const char* text, const platform::Rect& r) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int right = r.left + r.width;
    const int left = m::kGraph.left + m::kGraph.width + 2;
    place(l, {left, r.top, right - left, r.height});
    return l;
}

QLabel* infoLabel(QWidget* parent, const char* name, const char* text, const platform::Rect& r) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setAttribute(Qt::WA_TranslucentBackground);
    place(l, r);
    return l;
}

}  // namespace

QLabel* KestruneFormWidget::kindLabel(QWidget* box, const char* name) {
    auto* l = new QLabel(QString::fromUtf8(m::kDesignKindText), box);
    l->setObjectName(QString::fromUtf8(name));
    // Its figure changes every few seconds: an opaque label repaints alone,
    // where a see-through one repaints its whole group box (title and frame)
    // under it. The box's inside is the window's own colour, so it looks the same.
    l->setAutoFillBackground(true);
    // The figures may outgrow the designed 97 pixels: use the room up to the bar.
    place(l, {m::kKindLabel.left, m::kKindLabel.top - 1, m::kKindBar.left - m::kKindLabel.left - 4,
              m::kKindLabel.height + 2});
    return l;
}

QProgressBar* KestruneFormWidget::kindBar(QWidget* box, const char* name) {
    auto* b = new QProgressBar(box);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoFillBackground(true);  // as the figure beside it
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    // Said by a screen reader with its value: the kind its box is titled with.
    if (const auto* group = qobject_cast<QGroupBox*>(box)) b->setAccessibleName(group->title());
    place(b, m::kKindBar);
    return b;
}

KestruneFormWidget::KestruneFormWidget(platform::MemorySource& memory, platform::VirtualMemory& vm,
                                       platform::Clock& clock, platform::UiDispatcher& ui, FormFactory& forms,
                                       std::atomic<bool>& appClosing, const std::atomic<bool>* sessionEnding,
                                       TrimRunner* trim)
    : autostart_(QCoreApplication::applicationFilePath().toStdString()) {
    setObjectName(QStringLiteral("KestruneForm"));
    setWindowTitle(QString::fromUtf8(m::kCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // A screen reader announces a main window, not a filler.
    platform::setAccessibleRole(this, QAccessible::Window);
    // The client width is fixed and the height has a floor; the window
    // manager is told too, so a drag never fights the resize rule.
    surface_ = new platform::DesignSurface(this, fixedClientWidth(), m::kMinClientHeight,
                                           platform::DesignSurface::Height::Floored);
    self_.setSurface(surface_);
    QWidget* const client = surface_->surface();

    buildMenu(client);
    buildFigures(client);
    buildButtons(client);
    form_ =
        std::make_unique<TKestruneForm>(wiring(), TKestruneForm::Services{.memory = memory,
                                                                          .vm = vm,
                                                                          .clock = clock,
                                                                          .ui = ui,
                                                                          .forms = forms,
                                                                          .appClosing = appClosing,
                                                                          .sessionEnding = sessionEnding,
                                                                          .notifier = &notifier_,
                                                                          .trim = trim,
                                                                          .focusedPid = &platform::activeWindowPid});

    blockedClose_.emplace(this, [this] { return form_->BlockedCloseQuery(); });
    makeTray();

    // The menu along the top and the status bar along the bottom of however
    // tall the window is made.
    surface_->onResize = [this, client] {
        menuBar_->setGeometry(0, 0, client->width(), px(menuBar_, m::kMenuBar.height));
        statusBar_->setGeometry(0, client->height() - px(statusBar_, m::kStatusBarHeight), client->width(),
                                px(statusBar_, m::kStatusBarHeight));
    };
    surface_->onResize();
    // The window's paint is its surface's: the tutorial catches up there.
    surface_->onPaint = [this](QPaintEvent*) {
        if (form_) form_->FormPaint();
    };
}

// The menu bar, its items handed to the rules.
void KestruneFormWidget::buildMenu(QWidget* client) {
    menuBar_ = new QMenuBar(client);
    menuBar_->setObjectName(QStringLiteral("TeMenuBar1"));
    menuBar_->setNativeMenuBar(false);
    QMenu* file = menuBar_->addMenu(mnemonic(m::kFileMenu, m::kFileKey));
    file->setObjectName(QStringLiteral("CustomItem3"));
    QAction* exitItem = file->addAction(mnemonic(m::kExitItem, m::kExitKey));
    exitItem->setObjectName(QStringLiteral("CustomItem1"));
    QMenu* edit = menuBar_->addMenu(mnemonic(m::kEditMenu, m::kEditKey));
    edit->setObjectName(QStringLiteral("CustomItem6"));
    QAction* schedulerItem = edit->addAction(mnemonic(m::kSchedulerItem, m::kSchedulerKey));
    schedulerItem->setObjectName(QStringLiteral("CustomItem7"));
    QAction* applicationsItem = edit->addAction(mnemonic(m::kApplicationsItem, m::kApplicationsKey));
    applicationsItem->setObjectName(QStringLiteral("CustomItem8"));
    QMenu* help = menuBar_->addMenu(mnemonic(m::kHelpMenu, m::kHelpKey));
    help->setObjectName(QStringLiteral("CustomItem4"));
    QAction* tutorialItem = help->addAction(mnemonic(m::kTutorialItem, m::kTutorialKey));
    tutorialItem->setObjectName(QStringLiteral("CustomItem2"));
    QAction* supportItem = help->addAction(mnemonic(m::kSupportItem, m::kSupportKey));
    supportItem->setObjectName(QStringLiteral("CustomItem5"));
    QAction* aboutItem = help->addAction(mnemonic(m::kAboutItem, m::kAboutKey));
    aboutItem->setObjectName(QStringLiteral("AboutItem"));

    connect(exitItem, &QAction::triggered, this, [this] { form_->CustomItem1Click(); });
    connect(schedulerItem, &QAction::triggered, this, [this] { form_->CustomItem7Click(); });
    connect(applicationsItem, &QAction::triggered, this, [this] { form_->CustomItem8Click(); });
    connect(tutorialItem, &QAction::triggered, this, [this] { form_->CustomItem2Click(); });
    connect(supportItem, &QAction::triggered, this, [this] { form_->CustomItem5Click(); });
    connect(aboutItem, &QAction::triggered, this, [this] { form_->AboutItemClick(); });
}

// The figures: the history graph and its scale, and a bar for each kind of memory.
void KestruneFormWidget::buildFigures(QWidget* client) {
    auto* bevel = new QFrame(client);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    platform::setAccessibleRole(bevel, QAccessible::Separator);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    place(bevel, m::kBevel1);

    QGroupBox* history = groupBox(client, "TeGroupBox5", m::kHistoryTitle, m::kGroupBox5);
    graph_ = new PerformanceGraph(history);
    graph_->setObjectName(QStringLiteral("PerformanceGraph1"));
    // Read as a chart with its value, not passed over as a filler.
    platform::setAccessibleRole(graph_, QAccessible::Chart);
    graph_->setForegroundColor(platform::clBlue);
    graph_->setGradient(100);
    place(graph_, m::kGraph);
    label5_ = scaleLabel(history, "TeLabel5", m::kDesignScaleTop, m::kLabel5);
    label6_ = scaleLabel(history, "TeLabel6", m::kDesignScaleMiddle, m::kLabel6);
    label7_ = scaleLabel(history, "TeLabel7", m::kScaleBottom, m::kLabel7);

    QGroupBox* virt = groupBox(client, "TeGroupBox2", m::kVirtualTitle, m::kGroupBox2);
    label2_ = kindLabel(virt, "TeLabel2");
    bar3_ = kindBar(virt, "TeProgressBar3");
    QGroupBox* page = groupBox(client, "TeGroupBox3", m::kPageFileTitle, m::kGroupBox3);
    label3_ = kindLabel(page, "TeLabel3");
    bar4_ = kindBar(page, "TeProgressBar4");
    QGroupBox* phys = groupBox(client, "TeGroupBox1", m::kPhysicalTitle, m::kGroupBox1);
    label1_ = kindLabel(phys, "TeLabel1");
    bar2_ = kindBar(phys, "TeProgressBar2");
    QGroupBox* total = groupBox(client, "TeGroupBox4", m::kTotalTitle, m::kGroupBox4);
    label4_ = kindLabel(total, "TeLabel4");
    bar1_ = kindBar(total, "TeProgressBar1");

    QGroupBox* info = groupBox(client, "TeGroupBox6", m::kInformationTitle, m::kGroupBox6);
    groupBox6_ = info;
    // This face runs a little wider than the designed one: the two texts take
    // the box's free height below them, and the second one Label2's width.
    infoLabel(info, "Label2", m::kInfoGraph,
              {m::kInfoLabel2.left, m::kInfoLabel2.top, m::kInfoLabel2.width, m::kInfoLabel1.top - m::kInfoLabel2.top});
    infoLabel(
        info, "Label1", m::kInfoBars,
        {m::kInfoLabel1.left, m::kInfoLabel1.top, m::kInfoLabel2.width, m::kGroupBox6.height - m::kInfoLabel1.top - 4});
}

void KestruneFormWidget::buildButtons(QWidget* client) {
    button1_ = new QPushButton(mnemonic(m::kRecoverCaption, m::kRecoverKey), client);
    button1_->setObjectName(QStringLiteral("TeButton1"));
    place(button1_, m::kButton1);
    button2_ = new QPushButton(mnemonic(m::kScrubCaption, m::kScrubKey), client);
    button2_->setObjectName(QStringLiteral("TeButton2"));
    place(button2_, m::kButton2);

    statusBar_ = new QStatusBar(client);
    statusBar_->setObjectName(QStringLiteral("TeStatusBar1"));
    statusBar_->setSizeGripEnabled(false);
    status_ = new QLabel(QString::fromUtf8(m::kDesignStatus), statusBar_);
    status_->setObjectName(QStringLiteral("TeStatusBar1Panel1"));
    status_->setFixedWidth(px(status_, m::kStatusPanelWidth));
    statusBar_->addWidget(status_);

    connect(button1_, &QPushButton::clicked, this, [this] { form_->TeButton1Click(); });
    connect(button2_, &QPushButton::clicked, this, [this] { form_->TeButton2Click(); });
}

// The controls as the rules see them, each through its adapter.
TKestruneForm::Controls KestruneFormWidget::wiring() {
    l1_.emplace(label1_, true);
    l2_.emplace(label2_, true);
    l3_.emplace(label3_, true);
    l4_.emplace(label4_, true);
    l5_.emplace(label5_, true);
    l6_.emplace(label6_, true);
    statusPanel_.emplace(status_);
    b1_.emplace(bar1_);
    b2_.emplace(bar2_);
    b3_.emplace(bar3_);
    b4_.emplace(bar4_);
    recover_.emplace(button1_);
    scrub_.emplace(button2_);

    TKestruneForm::Controls controls{
        .self = self_,
        .figures = {.TeLabel1 = *l1_,
                    .TeLabel2 = *l2_,
                    .TeLabel3 = *l3_,
                    .TeLabel4 = *l4_,
                    .TeLabel5 = *l5_,
                    .TeLabel6 = *l6_,
                    .TeProgressBar1 = *b1_,
                    .TeProgressBar2 = *b2_,
                    .TeProgressBar3 = *b3_,
                    .TeProgressBar4 = *b4_,
                    .PerformanceGraph1 = *graph_,
                    .statusPanel = *statusPanel_,
                    // The tray follows the very sample the window shows.
                    .sampled = [this](const platform::MemoryStatus& s) { tray_->setLoad(s.memoryLoad); }},
        .TeButton1 = *recover_,
        .TeButton2 = *scrub_};
    return controls;
}

void KestruneFormWidget::makeTray() {
    TrayLogic::Actions trayActions{[this] {
                                       showNormal();
                                       raise();
                                       activateWindow();
                                   },
                                   [this] { form_->TeButton1Click(); }, [this] { form_->TeButton2Click(); },
                                   [this] { form_->CustomItem1Click(); }};
    if (form_->trimOffered()) {
        trayActions.trimIdle = [this] { form_->trimIdle(); };
        trayActions.trimFree = [this] { return form_->trimFree(); };
    }
    tray_ = std::make_unique<KestruneTray>(TrayLogic(*recover_, *scrub_, std::move(trayActions), &autostart_));
    notifier_.setTrayIcon(tray_->icon());
}

KestruneFormWidget::~KestruneFormWidget() = default;

void KestruneFormWidget::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // A window restored by the window system is not shown anew.
    if (form_ && !e->spontaneous()) form_->FormShow();
}

void KestruneFormWidget::closeEvent(QCloseEvent* e) {
    if (form_ && !form_->FormCloseQuery()) {
        e->ignore();
        return;
    }
    e->accept();
    // Only hidden: the close may come from the tray's own menu, which must
    // outlive its handler; the tray goes with the window.
    tray_->hide();
    if (onClosed) onClosed();
}

void KestruneFormWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (form_) form_->FormResize();
}

void KestruneFormWidget::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    if (form_) form_->FormPaint();
}

void KestruneFormWidget::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // Minimised with a tray to go to: the window leaves the task bar for it.
    if (e->type() == QEvent::WindowStateChange && isMinimized() && tray_->minimised())
        QTimer::singleShot(0, this, [this] { hide(); });
}

void KestruneFormWidget::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    // A move repaints nothing under most window systems: catch up here too.
    if (form_) form_->FormPaint();
}

}  // namespace kestrune
