// The bare Qt anchor for bench/versus.sh: a plain Widgets window of the main
// window's size showing what it shows each second (four figures, four bars, a
// scrolling history graph and a status line) from /proc/meminfo, written the
// way any Qt program would, so that the program's idle cost has a fair floor.
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <array>
#include <deque>

namespace {

// The main window's client area as designed, and its graph, in pixels; the
// size the program's window really has can be given on the command line.
constexpr int kWidth = 536;
constexpr int kHeight = 402;
constexpr int kGraphWidth = 441;
constexpr int kGraphHeight = 96;

struct Meminfo {
    qint64 memTotal = 0, memAvailable = 0, swapTotal = 0, swapFree = 0, commitLimit = 0, committed = 0;
};

Meminfo readMeminfo() {
    Meminfo m;
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly)) return m;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const int colon = line.indexOf(':');
        if (colon < 0) continue;
        const QByteArray key = line.left(colon);
        const qint64 kb = line.mid(colon + 1).trimmed().split(' ').value(0).toLongLong();
        if (key == "MemTotal")
            m.memTotal = kb;
        else if (key == "MemAvailable")
            m.memAvailable = kb;
        else if (key == "SwapTotal")
            m.swapTotal = kb;
        else if (key == "SwapFree")
            m.swapFree = kb;
        else if (key == "CommitLimit")
            m.commitLimit = kb;
        else if (key == "Committed_AS")
            m.committed = kb;
    }
    return m;
}

// The load's history, newest on the right, one point a second.
class Graph : public QWidget {
public:
    explicit Graph(QWidget* parent) : QWidget(parent) { setFixedSize(kGraphWidth, kGraphHeight); }

    void add(int percent) {
        points_.push_back(percent);
        if (points_.size() > static_cast<size_t>(kGraphWidth / 2)) points_.pop_front();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.setPen(QColor(0, 128, 0));
        for (int y = 0; y < height(); y += 12) p.drawLine(0, y, width(), y);
        for (int x = width() - 1; x >= 0; x -= 12) p.drawLine(x, 0, x, height());
        p.setPen(Qt::blue);
        QPolygon line;
        int x = width() - 2 * static_cast<int>(points_.size());
        for (const int v : points_) {
            line << QPoint(x, height() - 1 - v * (height() - 1) / 100);
            x += 2;
        }
        p.drawPolyline(line);
    }

private:
    std::deque<int> points_;
};

class Window : public QWidget {
public:
    explicit Window(QSize size) {
        setWindowTitle(QStringLiteral("Bare figures"));
        setFixedSize(size);
        auto* layout = new QVBoxLayout(this);
        auto* history = new QGroupBox(QStringLiteral("Memory History"), this);
        auto* historyLayout = new QVBoxLayout(history);
        graph_ = new Graph(history);
        historyLayout->addWidget(graph_);
        layout->addWidget(history);
        const std::array<const char*, 4> titles{"Virtual Memory", "PageFile", "Physical Memory", "Total Memory"};
        for (size_t i = 0; i < titles.size(); ++i) {
            auto* box = new QGroupBox(QString::fromUtf8(titles[i]), this);
            auto* row = new QHBoxLayout(box);
            figures_[i] = new QLabel(box);
            bars_[i] = new QProgressBar(box);
            bars_[i]->setTextVisible(false);
            row->addWidget(figures_[i], 1);
            row->addWidget(bars_[i], 1);
            layout->addWidget(box);
        }
        layout->addStretch();
        status_ = new QStatusBar(this);
        layout->addWidget(status_);
        connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
        timer_.start(1000);
        refresh();
    }

private:
    void showKind(size_t i, qint64 freeKb, qint64 totalKb) {
        const qint64 used = totalKb - freeKb;
        figures_[i]->setText(QStringLiteral("%1 MB free of %2 MB").arg(freeKb / 1024).arg(totalKb / 1024));
        bars_[i]->setValue(totalKb > 0 ? static_cast<int>(used * 100 / totalKb) : 0);
    }

    void refresh() {
        const Meminfo m = readMeminfo();
        showKind(0, m.commitLimit - m.committed, m.commitLimit);
        showKind(1, m.swapFree, m.swapTotal);
        showKind(2, m.memAvailable, m.memTotal);
        showKind(3, m.memAvailable + m.swapFree, m.memTotal + m.swapTotal);
        const int load = m.memTotal > 0 ? static_cast<int>((m.memTotal - m.memAvailable) * 100 / m.memTotal) : 0;
        graph_->add(load);
        status_->showMessage(QStringLiteral("Memory load: %1 %").arg(load));
    }

    Graph* graph_;
    std::array<QLabel*, 4> figures_{};
    std::array<QProgressBar*, 4> bars_{};
    QStatusBar* status_;
    QTimer timer_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QSize size(kWidth, kHeight);
    if (args.size() == 3) size = QSize(args[1].toInt(), args[2].toInt());
    Window window(size.isValid() ? size : QSize(kWidth, kHeight));
    window.show();
    return QApplication::exec();
}
