#include "records/JournalJson.h"

#include <cstdio>

#include "records/JsonWriter.h"
#include "records/TimeText.h"
#include "link/Common.h"

namespace {

std::string pairs(const std::vector<JournalPoint>& points)
{
    std::vector<std::string> e;
    for (const JournalPoint& p : points)
        e.push_back("[" + std::to_string(p.value) + "," + std::to_string(p.reading) + "]");
    return JsonArray(e);
}

void itemFields(Obj& o, const JournalEvent& e)
{
    o.str("item", TrimmedTitle(e.title));
    if (e.item >= 0)
        o.num("index", e.item);
    else
        o.raw("index", "null");
}

// BPF, LVA: the value an interruption put back, or null.
std::string restoredValue(const JournalEvent& e)
{
    return e.restored ? std::to_string(e.result) : "null";
}

std::string eventJson(const JournalEvent& e)
{
    Obj o;
    switch (e.kind) {
    case JournalEvent::Kind::Connect:
        o.str("event", "connect").num("ms", e.ms).num("port", e.port).date("date", e.date);
        break;
    case JournalEvent::Kind::CloneRead:
        o.str("event", "clone_read").num("ms", e.ms).str("main_code", e.mainCode).str("sub_code", e.subCode);
        o.flag("mid", e.mid).num("port", e.port).str("device", e.device).str("adapter", e.adapter).date("date", e.date);
        break;
    case JournalEvent::Kind::Adjust:
        o.str("event", "adjust").num("ms", e.ms);
        itemFields(o, e);
        o.num("old", e.oldValue).num("new", e.newValue).num("command", e.command).num("value", e.wireValue);
        o.str("frame", ByteToHex2(static_cast<int16_t>(e.command)) +
                           ByteToAsciiHexStr(static_cast<int16_t>(e.wireValue)));
        o.str("cause", e.cause);
        break;
    case JournalEvent::Kind::Rssi: {
        o.str("event", "rssi").num("ms", e.ms).num("end_ms", e.endMs);
        std::vector<std::string> points;
        for (const JournalPoint& p : e.points)
            points.push_back(Obj().str("level", p.value == 1 ? "S1" : "S3").num("sd", p.reading).done());
        o.raw("points", JsonArray(points)).str("outcome", OutcomeText(e.outcome));
        std::vector<std::string> restored;
        for (const JournalPoint& p : e.restoredLevels)
            restored.push_back(Obj().str("level", p.value == 1 ? "S1" : "S3").num("sd", p.reading).done());
        o.raw("restored", e.restored ? JsonArray(restored) : "null");
        break;
    }
    case JournalEvent::Kind::Bpf:
        o.str("event", "bpf").num("ms", e.ms).num("end_ms", e.endMs);
        itemFields(o, e);
        o.flag("coarse", e.coarse).raw("pairs", pairs(e.points)).num("highest", e.highest);
        o.raw("peak", e.peakStart >= 0 ? "[" + std::to_string(e.peakStart) + "," + std::to_string(e.peakEnd) + "]"
                                        : std::string("null"));
        o.num("before", e.before).num("result", e.result).str("outcome", OutcomeText(e.outcome));
        o.raw("restored", restoredValue(e));
        break;
    case JournalEvent::Kind::Lva:
        o.str("event", "lva").num("ms", e.ms).num("end_ms", e.endMs);
        itemFields(o, e);
        o.num("target", e.target).raw("steps", pairs(e.points)).num("before", e.before).num("result", e.result);
        o.str("outcome", OutcomeText(e.outcome)).raw("restored", restoredValue(e));
        break;
    case JournalEvent::Kind::Failure:
        o.str("event", "failure").num("ms", e.ms).str("message", e.message);
        break;
    }
    return o.done();
}

std::string readoutList(const ServiceJournal& j, bool latest)
{
    std::vector<std::string> lines;
    for (const JournalReadout& r : j.readouts()) {
        const std::string& text = latest ? r.latestText : r.firstText;
        const std::string name = TrimmedTitle(text.substr(0, text.find(':')));
        Obj o;
        o.str("group", r.group == 0 ? "A/D" : "D/A")
            .num("channel", r.channel)
            .str("name", name)
            .num("value", latest ? r.latestValue : r.firstValue)
            .str("text", text);
        if (latest)
            o.num("ms", r.latestMs).flag("before_last_adjustment", ReadBeforeLastAdjustment(j, r));
        lines.push_back(o.done());
    }
    return JsonArray(lines);
}



}  // namespace

std::string TrimmedTitle(const std::string& title)
{
    const size_t a = title.find_first_not_of(' ');
    if (a == std::string::npos)
        return "";
    return title.substr(a, title.find_last_not_of(' ') - a + 1);
}

const char* OutcomeText(JournalEvent::Outcome outcome)
{
    switch (outcome) {
    case JournalEvent::Outcome::Done:
        return "done";
    case JournalEvent::Outcome::Failed:
        return "failed";
    case JournalEvent::Outcome::Interrupted:
        return "interrupted";
    case JournalEvent::Outcome::Running:
        break;
    }
    return "running";
}

std::string RestoredText(const JournalEvent& e)
{
    const std::string outcome = OutcomeText(e.outcome);
    if (!e.restored)
        return outcome;
    if (e.kind != JournalEvent::Kind::Rssi)
        return outcome + ", restored to " + std::to_string(e.result);
    if (e.restoredLevels.empty())
        return outcome + ", no level changed";
    std::string levels;
    for (const JournalPoint& p : e.restoredLevels)
        levels += (levels.empty() ? "" : ", ") + std::string(p.value == 1 ? "S1 " : "S3 ") + std::to_string(p.reading);
    return outcome + ", restored to " + levels;
}

std::string JournalLines(const ServiceJournal& journal)
{
    std::string out;
    for (const JournalEvent& e : journal.events())
        out += eventJson(e) + "\n";
    for (bool latest : {false, true})
        out += Obj()
                   .str("event", "readouts")
                   .str("at", latest ? "latest" : "connect")
                   .raw("lines", readoutList(journal, latest))
                   .done() +
               "\n";
    return out;
}

std::string ActionOutcome(const ServiceJournal& journal, int16_t item)
{
    if (item < 0 || static_cast<size_t>(item) >= journal.items().size())
        return {};
    const JournalEvent::Kind action = journal.items()[static_cast<size_t>(item)].action;
    std::vector<std::string> runs;
    for (const JournalEvent& e : journal.events()) {
        if (e.kind != action)
            continue;
        if (action == JournalEvent::Kind::Rssi) {
            std::string points;
            for (const JournalPoint& p : e.points)
                points += std::string(points.empty() ? "" : ", ") + (p.value == 1 ? "S1" : "S3") + " SD " +
                          std::to_string(p.reading);
            runs.push_back((points.empty() ? "no level stored" : points) + ", " + OutcomeText(e.outcome));
        } else if (e.coarse) {
            runs.push_back(TrimmedTitle(e.title) + (e.result >= 0 ? " left on " + std::to_string(e.result) : "") +
                           ", " + OutcomeText(e.outcome));
        }
    }
    if (runs.empty())
        return "not run";
    std::string out;
    for (const std::string& r : runs)
        out += (out.empty() ? "" : "; ") + r;
    return out;
}

std::string SequenceEndText(const JournalEvent& e)
{
    const std::string before = e.before >= 0 ? " (" + std::to_string(e.before) + " before)" : "";
    const std::string left = "the radio was left on " + std::to_string(e.result);
    switch (e.outcome) {
    case JournalEvent::Outcome::Done:
        return e.kind == JournalEvent::Kind::Rssi ? "done: the levels were stored" : "done: " + left + before;
    case JournalEvent::Outcome::Failed:
        return "failed: the target was out of reach, " + left + ", the value from before";
    case JournalEvent::Outcome::Interrupted:
        if (e.restored)
            return RestoredText(e);   // put back: "interrupted, restored to 120"
        if (e.kind == JournalEvent::Kind::Rssi || e.result < 0)
            return "ended before its end";
        return "ended before its end: " + left + ", the last value it tried" + before;
    case JournalEvent::Outcome::Running:
        break;
    }
    return "running";
}

bool ReadBeforeLastAdjustment(const ServiceJournal& journal, const JournalReadout& r)
{
    return r.latestValue >= 0 && journal.lastAdjustMs() > r.latestMs;
}

std::string JournalReportJson(const ServiceJournal& journal, const JobInfo& job, int64_t created)
{
    Obj doc;
    doc.str("report", "Dorvel ADJ service report").num("version", 2).date("created", created);
    doc.str("program_version", job.version);
    // The procedure run of this job: its whole record.
    std::string run = job.run ? RunRecordJson(*job.run) : "null";
    if (job.run)
        run.pop_back();   // the record's closing line end
    doc.raw("run", run);
    doc.raw("job", Obj()
                       .optStr("technician", job.details.technician)
                       .optStr("work_order", job.details.order)
                       .optStr("serial", job.details.serial)
                       .optStr("backup", job.backupPath)
                       .done());
    if (const JournalEvent* id = journal.identity())
        doc.raw("radio", Obj()
                             .str("main_code", id->mainCode)
                             .str("sub_code", id->subCode)
                             .flag("mid", id->mid)
                             .num("port", id->port)
                             .str("device", id->device)
                             .str("adapter", id->adapter)
                             .date("read_date", id->date)
                             .done());
    else
        doc.raw("radio", "null");
    std::vector<std::string> items;
    for (size_t i = 0; i < journal.items().size(); ++i) {
        const JournalItem& it = journal.items()[i];
        Obj o;
        o.str("item", TrimmedTitle(it.title)).num("index", static_cast<long long>(i));
        if (it.shown == JournalItem::Shown::Action) {
            o.str("action", ActionOutcome(journal, static_cast<int16_t>(i)));
        } else {
            o.num("at_connect", it.atConnect).num("final", it.finalValue);
            o.str("shown_at_connect", journal.shownValue(it, it.atConnect));
            o.str("shown_final", journal.shownValue(it, it.finalValue));
        }
        o.num("changes", it.changes).flag("changed", it.changes > 0 || it.finalValue != it.atConnect);
        items.push_back(o.done());
    }
    doc.raw("items", JsonArray(items));
    if (job.imageRead) {
        std::vector<std::string> changes;
        for (const ImageDifference& d : job.changes)
            changes.push_back(Obj().str("label", TrimmedTitle(d.label.substr(0, d.label.rfind(':'))))
                                  .str("at_connect", d.a)
                                  .str("now", d.b)
                                  .done());
        doc.raw("radio_changes", JsonArray(changes));
    } else {
        doc.raw("radio_changes", "null");
    }
    std::vector<std::string> events;
    for (const JournalEvent& e : journal.events())
        events.push_back(eventJson(e));
    doc.raw("events", JsonArray(events));
    doc.raw("readouts", Obj()
                            .raw("connect", readoutList(journal, false))
                            .raw("latest", readoutList(journal, true))
                            .done());
    return doc.done() + "\n";
}
