// A printer that exists only in memory.
#include "platform/VirtualPage.h"

namespace platform {

VirtualPage::VirtualPage(PageMetrics metrics, QString name) : m_metrics(metrics), m_name(std::move(name)) { }

Canvas& VirtualPage::BeginJob(const QString& title)
{
    if (m_inJob)
        throw PrinterError("A print job is already running on " + m_name.toStdString());
    m_inJob = true;
    m_title = title;
    m_draws.clear();
    return *this;
}

void VirtualPage::EndJob()
{
    if (!m_inJob)
        throw PrinterError("No print job is running on " + m_name.toStdString());
    m_inJob = false;
    ++m_jobs;
}

void VirtualPage::DrawBitmap(int x, int y, const QImage& bitmap)
{
    m_draws.push_back({ QPoint(x, y), bitmap });
}

}  // namespace platform
