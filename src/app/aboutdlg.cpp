#include "aboutdlg.h"

#include "boltoresources.h"
#include "texts.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace {
// The three free lines: what Bolto is, what it is built on, where to read more.
const char *const kAboutLines[] = {
    "HTML5 と JavaScript を一歩ずつ学ぶ教材プレーヤー", "Qt 6 による Linux 版",
    "", // the link to the learner guide
};
} // namespace

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    InitBoltoResources();
    setWindowTitle(qs(Str::AboutCaption));
    setModal(true);
    QFont dialogFont(QStringLiteral("MS UI Gothic"));
    dialogFont.setPointSize(9);
    setFont(dialogFont);

    m_icon = new QLabel(this);
    m_icon->setPixmap(QIcon(QStringLiteral(":/icons/bolto.png")).pixmap(32, 32));
    const QRect iconPos = MapDialogRect(14, 14, 0, 0);
    m_icon->setGeometry(iconPos.x(), iconPos.y(), 32, 32);

    const struct
    {
        const char *text;
        int x, y, cx, cy;
    } lines[] = {
        {Str::AboutVersion, 48, 14, 171, 8},
        {kAboutLines[0], 48, 29, 218, 8},
        {kAboutLines[1], 48, 44, 114, 8},
        {kAboutLines[2], 48, 59, 114, 8},
    };
    for (int i = 0; i < 4; ++i) {
        // Plain text: an ampersand is shown, never taken for a mnemonic.
        m_lines[i] = new QLabel(qs(lines[i].text), this);
        m_lines[i]->setTextFormat(Qt::PlainText);
        m_lines[i]->setGeometry(MapDialogRect(lines[i].x, lines[i].y, lines[i].cx, lines[i].cy));
    }

    // The third line leads to the guide inside the program.
    m_lines[3]->setTextFormat(Qt::RichText);
    m_lines[3]->setText(qs(Str::AboutGuideLink));
    m_lines[3]->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_lines[3], &QLabel::linkActivated, this, [this] {
        emit GuideRequested();
        accept();
    });

    m_ok = new QPushButton(qs(Str::AboutOk), this);
    m_ok->setDefault(true);
    m_ok->setGeometry(MapDialogRect(222, 70, 50, 14));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(MapDialogRect(0, 0, 279, 91).size());
}

QRect CAboutDlg::MapDialogRect(int x, int y, int cx, int cy) const
{
    const QFontMetrics metrics(font());
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QRect(x * baseX / 4, y * baseY / 8, cx * baseX / 4, cy * baseY / 8);
}
