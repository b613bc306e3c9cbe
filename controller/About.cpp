#include "About.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace VelorTime {

// A sunken text panel whose lines move up by one pixel per step; once the
// last line has left the top, the text enters again from the bottom.
class TScrollPanel : public QFrame {
public:
    explicit TScrollPanel(QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setFont(QFont(QStringLiteral("Times New Roman")));
    }

    QStringList lines;
    int offset = 0;   // pixels the text has moved up

    void Step()
    {
        const int textHeight = fontMetrics().lineSpacing() * int(lines.size());
        offset = offset >= textHeight + contentsRect().height() ? 0 : offset + 1;
        update();
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QFrame::paintEvent(e);
        QPainter p(this);
        const QRect area = contentsRect();
        p.setClipRect(area);
        const int step = fontMetrics().lineSpacing();
        int y = area.bottom() - offset;
        // Raised text: a light copy one pixel up and left, the text on it.
        for (const QString& line : lines) {
            const QRect r(area.left(), y, area.width(), step);
            p.setPen(palette().color(QPalette::Light));
            p.drawText(r.translated(-1, -1), Qt::AlignHCenter | Qt::AlignTop, line);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(r, Qt::AlignHCenter | Qt::AlignTop, line);
            y += step;
        }
    }
};

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(348, 180);

    lblTitle = new QLabel(QStringLiteral("Velor Time\nAutosampler controller"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignCenter);
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);

    panScroll = new TScrollPanel(this);
    panScroll->setObjectName(QStringLiteral("panScroll"));
    panScroll->lines = Lines();

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(panScroll, 1);
    layout->addLayout(buttons);

    tmrScroll = new QTimer(this);
    tmrScroll->setInterval(ScrollIntervalMs);
    connect(tmrScroll, &QTimer::timeout, this, [this] { panScroll->Step(); });

    // Centred on the main window.
    if (owner)
        move(owner->geometry().center() - rect().center());
    FormCreate();
}

TfrmAbout::~TfrmAbout() = default;

QStringList TfrmAbout::Lines()
{
    return {QStringLiteral("Velor Time"),
            QString(),
            QStringLiteral("Runs time programs on the autosampler"),
            QStringLiteral("of an atomic absorption spectrometer,"),
            QStringLiteral("collects the instrument's readings"),
            QStringLiteral("and hands them to Velor Spec"),
            QStringLiteral("as experiment files."),
            QString(),
            QStringLiteral("Time programs: *.ATP"),
            QStringLiteral("Experiments: *.AXP")};
}

void TfrmAbout::FormCreate()
{
    panScroll->offset = 0;
    tmrScroll->start();
}

void TfrmAbout::FormClose()
{
    tmrScroll->stop();
}

void TfrmAbout::done(int result)
{
    FormClose();
    QDialog::done(result);
}

}  // namespace VelorTime
