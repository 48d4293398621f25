// A printer that exists only in memory: a page of given size, offsets and resolution.
#pragma once

#include "platform/Printer.h"

#include <QPoint>
#include <vector>

namespace platform {

// Serves the headless sheet tool (the page of a paper size or of a photo lab's printer) and the tests.
// A job records every bitmap drawn on it; nothing is rasterised unless a caller asks for it.
class VirtualPage : public Printer, private Canvas {
public:
    struct Draw {
        QPoint at;
        QImage bitmap;
    };

    explicit VirtualPage(PageMetrics metrics, QString name = QStringLiteral("Virtual page"));

    QString Name() const override { return m_name; }
    PageMetrics Metrics() const override { return m_metrics; }
    Canvas& BeginJob(const QString& title) override;
    void EndJob() override;

    void SetMetrics(const PageMetrics& metrics) { m_metrics = metrics; }
    int JobCount() const { return m_jobs; }
    QString LastJobTitle() const { return m_title; }
    // Bitmaps drawn in the last (or current) job, in drawing order.
    const std::vector<Draw>& Draws() const { return m_draws; }

private:
    void DrawBitmap(int x, int y, const QImage& bitmap) override;

    PageMetrics m_metrics;
    QString m_name;
    QString m_title;
    std::vector<Draw> m_draws;
    int m_jobs = 0;
    bool m_inJob = false;
};

}  // namespace platform
