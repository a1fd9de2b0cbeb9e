#include "platform/messageboxes.h"

#include "platform/boxfitting.h"
#include "platform/platform.h"
#include "platform/windowowner.h"

#include <QApplication>
#include <QMessageBox>

#include <fcntl.h>
#include <unistd.h>

namespace tavik {

namespace {

constexpr int reservedDescriptors = 4;

void reserveDescriptors(std::vector<int> &reserve)
{
    while (reserve.size() < reservedDescriptors) {
        const int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return;
        reserve.push_back(descriptor);
    }
}

void releaseDescriptors(std::vector<int> &reserve)
{
    for (const int descriptor : reserve)
        ::close(descriptor);
    reserve.clear();
}

} // namespace

MessageBoxes::MessageBoxes() { reserveDescriptors(m_reserve); }

MessageBoxes::~MessageBoxes() { releaseDescriptors(m_reserve); }

// Shows `box` modally over `owner`, with the reserved descriptors free; its
// text as plain text, fitted to the screen.
int MessageBoxes::execOver(QMessageBox &box, QWidget *owner)
{
    box.setWindowModality(Qt::ApplicationModal);
    makeTransientFor(&box, owner);
    fitToScreen(box, owner);
    releaseDescriptors(m_reserve);
    const int answer = box.exec();
    reserveDescriptors(m_reserve);
    return answer;
}

void MessageBoxes::showNotice(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, message, QMessageBox::Ok);
    execOver(box, m_owner ? m_owner() : nullptr);
}

void MessageBoxes::showEarlyEnd(const QString &report)
{
    if (m_earlyEndBox) {
        m_earlyEnds.append(report);
        m_earlyEndBox->setInformativeText(QStringLiteral("This happened %1 times while this message was up. Each "
                                                         "report is in the details.")
                                              .arg(m_earlyEnds.size()));
        m_earlyEndBox->setDetailedText(m_earlyEnds.join(QStringLiteral("\n\n")));
        return;
    }
    QWidget *blocking = QApplication::activeModalWidget();
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, report, QMessageBox::Ok);
    m_earlyEndBox = &box;
    m_earlyEnds = {report};
    execOver(box, blocking ? blocking : m_owner ? m_owner() : nullptr);
    m_earlyEnds.clear();
}

bool MessageBoxes::askYesNo(const QString &question)
{
    QMessageBox box(QMessageBox::Question, applicationTitle, question, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return execOver(box, m_owner ? m_owner() : nullptr) == QMessageBox::Yes;
}

} // namespace tavik
