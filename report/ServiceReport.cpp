#include "report/ServiceReport.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <algorithm>

#include "records/JournalJson.h"
#include "platform/AtomicFile.h"
#include "records/TimeText.h"
#include "report/SweepPlot.h"

namespace {

// What is printed stays inside the paper both sizes share (210 x 279.4 mm)
// less the margins, whichever of the two the page is; a millimetre more
// keeps glyphs that reach past their box inside too.
constexpr double kMarginMm = 15;
constexpr double kWidthMm = 210 - 2 * kMarginMm - 1;
constexpr double kHeightMm = 279.4 - 2 * kMarginMm - 1;
constexpr int kDpi = 720;

QFont monoFont(double points)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(points);
    return f;
}

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

QString dateText(int64_t seconds)
{
    return seconds != 0 ? q(LocalDateText(seconds)).replace(QLatin1Char('T'), QLatin1Char(' '))
                        : QStringLiteral("unknown");
}

// A top-to-bottom flow of blocks over as many pages as it takes.
class Flow {
public:
    // pages: how many the report has, 0 while that is not known yet.
    Flow(QPdfWriter& writer, QPainter& painter, int pages) : w_(writer), p_(painter), pages_(pages) {}
    int page() const { return page_; }

    double mm(double v) const { return v * kDpi / 25.4; }
    double width() const { return mm(kWidthMm); }
    double y() const { return y_; }
    void skip(double h) { y_ += h; }
    // Starts a new page unless h more fits on this one.
    void need(double h)
    {
        if (y_ + h > mm(kHeightMm) - mm(8))
            newPage();
    }
    void newPage()
    {
        footer();
        w_.newPage();
        ++page_;
        y_ = 0;
    }
    void footer()
    {
        p_.setFont(PlotFont(7));
        p_.setPen(Qt::black);
        p_.drawText(QRectF(0, mm(kHeightMm) - mm(5), width(), mm(5)), Qt::AlignRight | Qt::AlignBottom,
                    QStringLiteral("Dorvel ADJ service report, page %1 of %2").arg(page_).arg(pages_));
    }
    // A text in the font, at x, wrapped to the page's width (a path or
    // another word too long for a line is broken anywhere); moves down by
    // its height.
    void line(const QString& text, const QFont& font, double x = 0, int align = Qt::AlignLeft)
    {
        const int flags = align | Qt::AlignVCenter | wrapFlag(text, font, width() - x);
        const double h = height(text, font, width() - x, flags);
        need(h);
        p_.setFont(font);
        p_.setPen(Qt::black);
        p_.drawText(QRectF(x, y_, width() - x, h), flags, text);
        y_ += h;
    }
    void heading(const QString& text)
    {
        need(mm(30));   // never alone at the foot of a page
        skip(mm(4));
        line(text, PlotFont(12, true));
        p_.setPen(QPen(Qt::black, mm(0.3)));
        p_.drawLine(QPointF(0, y_ + mm(0.5)), QPointF(width(), y_ + mm(0.5)));
        skip(mm(2.5));
    }
    // Texts side by side, each from its x position to the next one (the
    // last to the page's edge), wrapped there; moves down by the tallest.
    void cells(const QStringList& texts, const std::vector<double>& xs, const QFont& font)
    {
        std::vector<QRectF> boxes;
        std::vector<int> flags;
        double h = 0;
        for (int i = 0; i < texts.size(); ++i) {
            const auto n = static_cast<size_t>(i);
            const double x = xs[n], w = (n + 1 < xs.size() ? xs[n + 1] - mm(2) : width()) - x;
            flags.push_back(Qt::AlignLeft | Qt::AlignTop | wrapFlag(texts[i], font, w));
            boxes.emplace_back(x, 0, w, 0);
            h = std::max(h, height(texts[i], font, w, flags.back()));
        }
        need(h);
        p_.setFont(font);
        p_.setPen(Qt::black);
        for (int i = 0; i < texts.size(); ++i) {
            const auto n = static_cast<size_t>(i);
            p_.drawText(QRectF(boxes[n].x(), y_, boxes[n].width(), h), flags[n], texts[i]);
        }
        y_ += h;
    }
    // A row of cells at the given x positions (the first left-aligned, the
    // others right-aligned to the next position).
    void row(const QStringList& cells, const std::vector<double>& xs, bool bold)
    {
        const QFont font = PlotFont(9, bold);
        const double h = QFontMetricsF(font, &w_).height() * 1.25;
        need(h);
        p_.setFont(font);
        p_.setPen(Qt::black);
        for (int i = 0; i < cells.size(); ++i) {
            const double x0 = xs[static_cast<size_t>(i)];
            const double x1 = static_cast<size_t>(i) + 1 < xs.size() ? xs[static_cast<size_t>(i) + 1] : width();
            const int align = i == 0 ? Qt::AlignLeft : Qt::AlignRight;
            p_.drawText(QRectF(x0, y_, x1 - x0 - mm(2), h), align | Qt::AlignVCenter, cells[i]);
        }
        y_ += h;
        p_.setPen(QPen(QColor(150, 150, 150), mm(0.15)));
        p_.drawLine(QPointF(0, y_), QPointF(width(), y_));
    }
    QPainter& painter() { return p_; }
    QPdfWriter& device() { return w_; }

private:
    // Lines break between words, unless a word alone is wider than the line.
    int wrapFlag(const QString& text, const QFont& font, double w) const
    {
        const QFontMetricsF fm(font, &w_);
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (fm.horizontalAdvance(word) > w)
                return Qt::TextWrapAnywhere;
        return Qt::TextWordWrap;
    }
    double height(const QString& text, const QFont& font, double w, int flags) const
    {
        const QFontMetricsF fm(font, &w_);
        return std::max(fm.height(), fm.boundingRect(QRectF(0, 0, w, 1e9), flags, text).height());
    }

    QPdfWriter& w_;
    QPainter& p_;
    double y_ = 0;
    int page_ = 1;
    int pages_ = 0;
};

// A procedure's run on a page of its own, first: the verdict in large type
// (the word itself, readable in black and white), the serial, the
// procedure, and every step with its result.
void verdictPage(Flow& f, const RunRecord& run)
{
    f.line(QStringLiteral("Dorvel ADJ procedure run"), PlotFont(16, true));
    f.skip(f.mm(4));
    f.line(QString::fromLatin1(RunOutcomeText(run.outcome)), PlotFont(40, true));
    if (run.firstFailingStep >= 0)
        f.line(QStringLiteral("First failing step: %1, %2 (code %3)")
                   .arg(run.firstFailingStep + 1)
                   .arg(q(run.steps[static_cast<size_t>(run.firstFailingStep)].step.name), q(run.failureCode)),
               PlotFont(11, true));
    if (!run.message.empty())
        f.line(q(run.message), PlotFont(11, true));
    f.skip(f.mm(3));
    const std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("Serial no."), q(run.serial)},
        {QStringLiteral("Procedure"), q(run.procedureTitle + ", version " + run.procedureVersion)},
        {QStringLiteral("SHA-256"), q(run.procedureSha256)},
        {QStringLiteral("Operator"), run.operatorName.empty() ? QStringLiteral("-") : q(run.operatorName)},
        {QStringLiteral("Station"), q(run.station)},
        {QStringLiteral("Run"), q(run.id)},
        {QStringLiteral("Start"), dateText(run.start)},
        {QStringLiteral("End"), dateText(run.end)},
    };
    for (const auto& [label, value] : rows)
        f.cells({label, value}, {0, f.mm(30)}, PlotFont(10));
    f.heading(QStringLiteral("Steps"));
    const std::vector<double> xs{0, f.mm(10), f.mm(85), f.mm(125)};
    f.cells({QStringLiteral("#"), QStringLiteral("Step"), QStringLiteral("Result"), QStringLiteral("Value and limits")},
            xs, PlotFont(9, true));
    for (size_t i = 0; i < run.steps.size(); ++i) {
        const RunStep& r = run.steps[i];
        QString value;
        if (!r.measurements.empty()) {
            const RunMeasurement& m = r.measurements.back();
            value = QString::number(m.value) + (m.unit.empty() ? QString() : QStringLiteral(" ") + q(m.unit));
            const ProcedureStep& s = r.step;
            if (s.low || s.high)
                value += QStringLiteral(" (%1 to %2)")
                             .arg(s.low ? QString::number(*s.low) : QStringLiteral("..."),
                                  s.high ? QString::number(*s.high) : QStringLiteral("..."));
            if (r.measurements.size() > 1)
                value += QStringLiteral(", try %1").arg(m.attempt);
        }
        f.cells({QString::number(i + 1), q(std::string(StepKindName(r.step.kind)) + " " + r.step.name),
                 q(r.outcome) + (r.marginal ? QStringLiteral(" (marginal)") : QString()), value},
                xs, PlotFont(9, r.outcome == "fail" || r.outcome == "error"));
    }
    f.newPage();
}

void header(Flow& f, const ServiceJournal& j, const JobInfo& job, int64_t created)
{
    f.line(QStringLiteral("Dorvel ADJ service report"), PlotFont(16, true));
    f.skip(f.mm(3));
    const JournalEvent* id = j.identity();
    const JournalEvent* connect = j.events().empty() ? nullptr : &j.events().front();
    std::vector<std::pair<QString, QString>> rows;
    if (id != nullptr) {
        rows.emplace_back(QStringLiteral("Radio"),
                          QStringLiteral("main code %1, sub code %2, %3")
                              .arg(q(id->mainCode), q(id->subCode),
                                   id->mid ? QStringLiteral("Mid variant") : QStringLiteral("standard variant")));
        rows.emplace_back(QStringLiteral("Clone read"), dateText(id->date));
    } else {
        rows.emplace_back(QStringLiteral("Radio"), connect != nullptr ? QStringLiteral("not read")
                                                                      : QStringLiteral("not connected"));
    }
    const int16_t port = id != nullptr ? id->port : connect != nullptr ? connect->port : 0;
    if (port > 0) {
        QString portText = QStringLiteral("COM %1").arg(port);
        if (id != nullptr && !id->device.empty())
            portText += QStringLiteral(", ") + q(id->device);
        rows.emplace_back(QStringLiteral("Port"), portText);
        if (id != nullptr && !id->adapter.empty())
            rows.emplace_back(QStringLiteral("Adapter"), q(id->adapter));
    }
    if (connect != nullptr && connect->kind == JournalEvent::Kind::Connect)
        rows.emplace_back(QStringLiteral("Connect"), dateText(connect->date));
    rows.emplace_back(QStringLiteral("Report"), dateText(created));
    rows.emplace_back(QStringLiteral("Program"), QStringLiteral("Dorvel ADJ ") + q(job.version));
    if (id != nullptr)
        rows.emplace_back(QStringLiteral("Backup"), job.backupPath.empty() ? QStringLiteral("none was taken at Connect")
                                                                           : q(job.backupPath));
    const std::pair<const char*, const std::string*> details[] = {{"Technician", &job.details.technician},
                                                                  {"Work order", &job.details.order},
                                                                  {"Serial no.", &job.details.serial}};
    for (const auto& [label, value] : details)
        if (!value->empty())
            rows.emplace_back(QString::fromLatin1(label), q(*value));
    for (const auto& [label, value] : rows)
        f.cells({label, value}, {0, f.mm(30)}, PlotFont(10));
    for (const JournalEvent& e : j.events()) {
        if (e.kind != JournalEvent::Kind::Failure)
            continue;
        f.skip(f.mm(2));
        const QStringList lines = q(e.message).split(QStringLiteral("\r\n"));
        f.line(QStringLiteral("Failure after %1 s: %2").arg(e.ms / 1000.0, 0, 'f', 1).arg(lines.value(0)),
               PlotFont(10, true));
        for (int i = 1; i < lines.size(); ++i)
            if (!lines[i].isEmpty())
                f.line(lines[i], PlotFont(9), f.mm(6));
    }
}

void itemsTable(Flow& f, const ServiceJournal& j)
{
    f.heading(QStringLiteral("Adjustment items"));
    if (j.items().empty()) {
        f.line(QStringLiteral("None: the radio was not read."), PlotFont(10));
        return;
    }
    const std::vector<double> xs{0, f.mm(60), f.mm(90), f.mm(120)};
    f.row({QStringLiteral("Item"), QStringLiteral("At Connect"), QStringLiteral("Final"), QStringLiteral("Changes")},
          xs, true);
    for (size_t i = 0; i < j.items().size(); ++i) {
        const JournalItem& it = j.items()[i];
        if (it.shown == JournalItem::Shown::Action) {
            f.row({q(TrimmedTitle(it.title)), QString(), QString(), QString::number(it.changes)}, xs, it.changes > 0);
            f.line(q(ActionOutcome(j, static_cast<int16_t>(i))), PlotFont(8), f.mm(6));
            continue;
        }
        const bool changed = it.changes > 0 || it.finalValue != it.atConnect;
        f.row({q(TrimmedTitle(it.title)) + (changed ? QStringLiteral(" *") : QString()),
               q(j.shownValue(it, it.atConnect)), q(j.shownValue(it, it.finalValue)), QString::number(it.changes)},
              xs, changed);
    }
    size_t frames = 0;
    for (const JournalEvent& e : j.events())
        frames += e.kind == JournalEvent::Kind::Adjust ? 1 : 0;
    f.skip(f.mm(2));
    f.line(QStringLiteral("* changed. Adjustment frames sent to the radio: %1 (each one is listed in the JSON file).")
               .arg(frames),
           PlotFont(9));
}

// Every byte the job changed, whoever changed it, in the terms of the
// parameter listing.
void radioChanges(Flow& f, const JobInfo& job)
{
    f.heading(QStringLiteral("What changed in the radio"));
    if (!job.imageRead) {
        f.line(QStringLiteral("Nothing known: the radio was not read."), PlotFont(10));
        return;
    }
    if (job.changes.empty()) {
        f.line(QStringLiteral("Nothing: the radio holds the image read at Connect."), PlotFont(10));
        return;
    }
    f.line(QStringLiteral("The image read at Connect against the one the radio holds now:"), PlotFont(9));
    const std::vector<double> xs{0, f.mm(75), f.mm(130)};
    f.cells({QStringLiteral("Parameter"), QStringLiteral("At Connect"), QStringLiteral("Now")}, xs, PlotFont(9, true));
    for (const ImageDifference& d : job.changes)
        f.cells({q(TrimmedTitle(d.label.substr(0, d.label.rfind(':')))), q(d.a), q(d.b)}, xs, monoFont(8));
}

void sequences(Flow& f, const ServiceJournal& j)
{
    f.heading(QStringLiteral("Automatic adjustments"));
    bool any = false;
    for (const JournalEvent& e : j.events()) {
        if (e.kind == JournalEvent::Kind::Rssi) {
            any = true;
            QStringList points;
            for (const JournalPoint& p : e.points)
                points << QStringLiteral("%1 level SD %2").arg(p.value == 1 ? "S1" : "S3").arg(p.reading);
            f.line(QStringLiteral("RSSI meter points (%1): %2")
                       .arg(QString::fromStdString(RestoredText(e)),
                            points.isEmpty() ? QStringLiteral("none stored") : points.join(QStringLiteral(", "))),
                   PlotFont(9, true));
            f.skip(f.mm(3));
        } else if (e.kind == JournalEvent::Kind::Bpf || e.kind == JournalEvent::Kind::Lva) {
            any = true;
            const double h = f.mm(72);
            f.need(h);
            const SweepPlot plot(e, QRectF(0, f.y(), f.width(), h), f.device());
            plot.draw(f.painter());
            f.skip(h);
            f.line(q(TrimmedTitle(e.title) + ": " + SequenceEndText(e) + "."), PlotFont(9));
            f.skip(f.mm(4));
        }
    }
    if (!any)
        f.line(QStringLiteral("None."), PlotFont(10));
}

void readouts(Flow& f, const ServiceJournal& j)
{
    f.heading(QStringLiteral("Readouts"));
    const std::vector<JournalReadout> r = j.readouts();
    if (r.empty()) {
        f.line(QStringLiteral("None were read."), PlotFont(10));
        return;
    }
    const std::vector<double> xs{0, f.width() / 2};
    f.cells({QStringLiteral("At Connect"), QStringLiteral("Latest")}, xs, PlotFont(9, true));
    bool stale = false;
    for (const JournalReadout& x : r) {
        const bool before = ReadBeforeLastAdjustment(j, x);
        stale = stale || before;
        f.cells({q(x.firstText), q(x.latestText) + (before ? QStringLiteral(" *") : QString())}, xs, monoFont(9));
    }
    if (stale)
        f.line(QStringLiteral("* read before the last adjustment: the radio may read otherwise now."), PlotFont(8));
}

}  // namespace

std::string ReportJsonPath(const std::string& pdfPath)
{
    const size_t n = pdfPath.size();
    if (n > 4 && QString::fromStdString(pdfPath.substr(n - 4)).compare(QStringLiteral(".pdf"), Qt::CaseInsensitive) == 0)
        return pdfPath.substr(0, n - 4) + ".json";
    return pdfPath + ".json";
}

QPageSize::PageSizeId LocalPaper()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
}

namespace {

// The report drawn once; the number of pages it took.
int drawReport(QIODevice& out, const ServiceJournal& journal, const JobInfo& job, int64_t created,
               QPageSize::PageSizeId paper, int pages)
{
    QPdfWriter writer(&out);
    writer.setResolution(kDpi);
    writer.setTitle(QStringLiteral("Dorvel ADJ service report"));
    writer.setCreator(QStringLiteral("Dorvel ADJ"));
    writer.setPageLayout(QPageLayout(QPageSize(paper), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    QPainter painter(&writer);
    Flow flow(writer, painter, pages);
    if (job.run)
        verdictPage(flow, *job.run);
    header(flow, journal, job, created);
    itemsTable(flow, journal);
    radioChanges(flow, job);
    sequences(flow, journal);
    readouts(flow, journal);
    flow.footer();
    return flow.page();
}

}  // namespace

QByteArray ServiceReportPdf(const ServiceJournal& journal, const JobInfo& job, int64_t created,
                            QPageSize::PageSizeId paper)
{
    // The footers say "page N of M": a first drawing counts the pages.
    QBuffer count;
    count.open(QIODevice::WriteOnly);
    const int pages = drawReport(count, journal, job, created, paper, 0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    drawReport(buffer, journal, job, created, paper, pages);
    return bytes;
}

bool WriteServiceReport(const ServiceJournal& journal, const JobInfo& job, const std::string& pdfPath,
                        int64_t created, std::string& reason)
{
    const QByteArray pdf = ServiceReportPdf(journal, job, created, LocalPaper());
    if (pdf.isEmpty()) {
        reason = pdfPath + ": the PDF could not be made";
        return false;
    }
    // Both or neither: the PDF is never left beside another job's JSON.
    const std::vector<FileData> pair = {{pdfPath, pdf.toStdString()},
                                        {ReportJsonPath(pdfPath), JournalReportJson(journal, job, created)}};
    std::string why;
    if (WriteFilesTogether(pair, why) == 0)
        return true;
    // The report's own name first, as the operator gave it.
    reason = why.rfind(pdfPath, 0) == 0 ? why : pdfPath + ": " + why;
    return false;
}
