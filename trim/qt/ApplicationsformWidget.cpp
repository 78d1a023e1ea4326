#include "trim/qt/ApplicationsformWidget.h"

#include "platform/qt/ActiveWindow.h"
#include "platform/qt/Design.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>

namespace kestrune {
namespace {

namespace af = applicationsform;
using platform::mnemonic;
using platform::place;
using platform::px;

QPushButton* button(QWidget* parent, const char* name, const char* caption, char key, const platform::Rect& r) {
    auto* b = new QPushButton(mnemonic(caption, key), parent);
    b->setObjectName(QString::fromUtf8(name));
    // Auto-default: the button is the default only while it has the
    // keyboard, so Enter on it presses it and Enter in the list goes to
    // Close, the window's own default, never to a trim.
    b->setAutoDefault(true);
    place(b, r);
    return b;
}

}  // namespace

QLabel* ApplicationsFormWidget::line(QWidget* parent, const char* name, const platform::Rect& r) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(l, r);
    return l;
}

QTreeWidget* ApplicationsFormWidget::buildList(QWidget* client) {
    auto* list = new QTreeWidget(client);
    list->setObjectName(QStringLiteral("AppList"));
    list->setColumnCount(af::kColumnCount);
    QStringList headers;
    for (const char* h : af::kListHeaders) headers << QString::fromUtf8(h);
    list->setHeaderLabels(headers);
    for (int c = 0; c < af::kColumnCount; ++c) {
        list->setColumnWidth(c, px(list, af::kListColumnWidths[c]));
        // Figures line up on their right, as numbers do.
        if (c != af::kNameColumn) list->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    list->setAccessibleName(QString::fromUtf8(af::kListName));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    place(list, af::kList);
    list_.emplace(list);
    listShown_.emplace(list);
    return list;
}

ApplicationsFormWidget::ApplicationsFormWidget(QWidget* owner, TrimRunner& runner) : QDialog(owner) {
    setObjectName(QStringLiteral("ApplicationsForm"));
    setWindowTitle(QString::fromUtf8(af::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Laid out in design pixels, grown with the user's font and kept within
    // the screen.
    auto* surface = new platform::DesignSurface(this, af::kClientWidth, af::kClientHeight);
    self_.setSurface(surface);
    QWidget* const client = surface->surface();

    auto* box = new QGroupBox(QString::fromUtf8(af::kSystemTitle), client);
    box->setObjectName(QStringLiteral("SystemBox"));
    place(box, af::kSystemBox);
    // Large figures are drawn a little smaller rather than cut off.
    system_.emplace(line(box, "SystemLabel", af::kSystemLines[0]), true);
    swap_.emplace(line(box, "SwapLabel", af::kSystemLines[1]), true);
    pressure_.emplace(line(box, "PressureLabel", af::kSystemLines[2]), true);

    QLabel* caveat = line(client, "CaveatLabel", af::kCaveat);
    caveat->setWordWrap(true);
    caveat_.emplace(caveat);

    QTreeWidget* list = buildList(client);

    QLabel* notice = line(client, "NoticeLabel", af::kList);
    notice->setWordWrap(true);
    notice->setFrameShape(QFrame::StyledPanel);
    notice->setMargin(px(notice, af::kNoticeMargin));
    notice->hide();
    notice_.emplace(notice);
    noticeShown_.emplace(notice);

    QLabel* status = line(client, "StatusLabel", af::kStatus);
    status->setWordWrap(true);
    status_.emplace(status);

    QPushButton* trimSelected =
        button(client, "TrimSelectedButton", af::kTrimSelectedCaption, af::kTrimSelectedKey, af::kTrimSelected);
    QPushButton* trimIdle = button(client, "TrimIdleButton", af::kTrimIdleCaption, af::kTrimIdleKey, af::kTrimIdle);
    QPushButton* close = button(client, "CloseButton", af::kCloseCaption, af::kCloseKey, af::kClose);
    close->setDefault(true);
    trimSelected_.emplace(trimSelected);
    trimIdle_.emplace(trimIdle);

    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("RefreshTimer"));
    timer_.emplace(timer);

    // The keyboard goes as the eye reads: the list, then the buttons.
    setTabOrder(list, trimSelected);
    setTabOrder(trimSelected, trimIdle);
    setTabOrder(trimIdle, close);
    list->setFocus();

    form_.emplace(TApplicationsForm::Controls{.self = self_,
                                              .SystemLabel = *system_,
                                              .SwapLabel = *swap_,
                                              .PressureLabel = *pressure_,
                                              .CaveatLabel = *caveat_,
                                              .AppList = *list_,
                                              .AppListShown = *listShown_,
                                              .NoticeLabel = *notice_,
                                              .NoticeShown = *noticeShown_,
                                              .StatusLabel = *status_,
                                              .TrimSelectedButton = *trimSelected_,
                                              .TrimIdleButton = *trimIdle_,
                                              .RefreshTimer = *timer_},
                  TApplicationsForm::Services{runner, &platform::activeWindowPid});

    connect(list->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { form_->AppListColumnClick(column); });
    connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { form_->AppListSelectionChange(); });
    connect(trimSelected, &QPushButton::clicked, this, [this] { form_->TrimSelectedButtonClick(); });
    connect(trimIdle, &QPushButton::clicked, this, [this] { form_->TrimIdleButtonClick(); });
    connect(close, &QPushButton::clicked, this, [this] { form_->CloseButtonClick(); });
    connect(timer, &QTimer::timeout, this, [this] { form_->RefreshTimerTimer(); });
}

ApplicationsFormWidget::~ApplicationsFormWidget() = default;

void ApplicationsFormWidget::showInFront() {
    show();
    raise();
    activateWindow();
}

void ApplicationsFormWidget::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) form_->FormShow();
}

void ApplicationsFormWidget::closeEvent(QCloseEvent* e) {
    form_->FormClose();
    // Past the dialog's own close handling, which would call reject() again.
    QWidget::closeEvent(e);  // NOLINT(bugprone-parent-virtual-call)
}

}  // namespace kestrune
