#include "guidewindow.h"

#include "boltoresources.h"
#include "texts.h"

#include <QFile>
#include <QTextBrowser>

namespace {
const char kGuideName[] = "learnerGuide";
const char kGuideResource[] = ":/help/learner-guide.md";
} // namespace

QWidget *ShowLearnerGuide(QWidget *owner)
{
    InitBoltoResources();
    auto *guide = owner ? owner->findChild<QTextBrowser *>(QLatin1String(kGuideName),
                                                           Qt::FindDirectChildrenOnly)
                        : nullptr;
    if (!guide) {
        guide = new QTextBrowser(owner);
        guide->setObjectName(QLatin1String(kGuideName));
        guide->setWindowFlag(Qt::Window);
        guide->setAttribute(Qt::WA_DeleteOnClose);
        guide->setWindowTitle(qs(Str::GuideTitle));
        guide->setOpenExternalLinks(false);
        guide->setOpenLinks(false);
        guide->resize(760, 640);
        QFile file(QString::fromLatin1(kGuideResource));
        if (file.open(QIODevice::ReadOnly))
            guide->setMarkdown(QString::fromUtf8(file.readAll()));
        else
            guide->setPlainText(qs(Str::GuideMissing).arg(QString::fromLatin1(kGuideResource)));
    }
    guide->show();
    guide->raise();
    guide->activateWindow();
    return guide;
}
