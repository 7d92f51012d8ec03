#include "files/DatalogReader.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/AsciiText.h"
#include "platform/FileIo.h"

namespace {

// The decimals a value of the log carries at most (a factor of 0.000001).
constexpr int kMaxDecimals = 6;
// How much of a refused field a message quotes.
constexpr std::size_t kQuotedLength = 24;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string Line(std::size_t line) { return "line " + std::to_string(line) + ": "; }

std::string Quoted(std::string_view field) {
    std::string text;
    for (const char c : field.substr(0, kQuotedLength)) text += (c == '\r' || c == '\n') ? ' ' : c;
    if (field.size() > kQuotedLength) text += "...";
    return "\"" + text + "\"";
}

// A decimal number: optional sign, digits with an optional "." (a digit on
// at least one side), an optional exponent. No blanks, no "nan" or "inf",
// nothing after it; a value beyond a double's range is refused. decimals
// is the count of digits after the ".".
bool ParseNumber(std::string_view text, double& value, int& decimals) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    std::size_t digits = i - digitsStart;
    decimals = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t fractionStart = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        decimals = static_cast<int>(std::min<std::size_t>(i - fractionStart, kMaxDecimals));
        digits += i - fractionStart;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t exponentStart = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == exponentStart) return false;
    }
    if (i != text.size()) return false;
    // from_chars takes no "+"; the grammar above has been checked already.
    std::string_view body = text;
    if (!body.empty() && body.front() == '+') body.remove_prefix(1);
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    return ec == std::errc() && end == body.data() + body.size() && std::isfinite(value);
}

// Splits CSV text into records, one at a time, quote-aware: a quoted field
// may hold ",", CR and LF, and "" stands for one quote.
class RecordReader {
public:
    explicit RecordReader(std::string_view text) : text_(text) {}

    enum class Result { kRecord, kEnd, kPartial, kBadQuote };

    // The next record's fields; line is where it begins. kPartial: the text
    // ends before the record's "\n". kBadQuote: text after a closing quote,
    // in field badField (1-based).
    Result Next(std::vector<std::string>& fields, std::size_t& line, std::size_t& badField) {
        fields.clear();
        line = line_;
        if (pos_ >= text_.size()) return Result::kEnd;
        std::string field;
        while (true) {
            field.clear();
            if (pos_ < text_.size() && text_[pos_] == '"') {
                ++pos_;
                while (true) {
                    if (pos_ >= text_.size()) return Result::kPartial;
                    const char c = text_[pos_++];
                    if (c == '"') {
                        if (pos_ < text_.size() && text_[pos_] == '"') {
                            field += '"';
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') ++line_;
                    field += c;
                }
                // Only the separator or the record's end may follow, with a
                // CR before the LF of a file saved with CR LF.
                if (pos_ < text_.size() && text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
                    ++pos_;
                if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\n') {
                    badField = fields.size() + 1;
                    return Result::kBadQuote;
                }
            } else {
                const std::size_t end = text_.find_first_of(",\n", pos_);
                const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
                std::string_view raw = text_.substr(pos_, stop - pos_);
                if (end != std::string_view::npos && text_[end] == '\n' && !raw.empty() && raw.back() == '\r')
                    raw.remove_suffix(1);
                field.assign(raw);
                pos_ = stop;
            }
            fields.push_back(field);
            if (pos_ >= text_.size()) return Result::kPartial;
            if (text_[pos_++] == '\n') {
                ++line_;
                return Result::kRecord;
            }
        }
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

bool Refuse(Datalog& log, std::string& error, std::string message) {
    log = Datalog();
    error = std::move(message);
    return false;
}

}  // namespace

DatalogColumn ParseDatalogHeaderField(std::string_view field) {
    DatalogColumn column;
    field = Trim(field);
    const std::size_t open = field.rfind(" [");
    if (!field.empty() && field.back() == ']' && open != std::string_view::npos) {
        const std::string_view unit = Trim(field.substr(open + 2, field.size() - open - 3));
        // "NAME []" is no unit: a writer puts NAME alone then, so the whole
        // field is the name, and it reads the same when written again.
        if (!unit.empty()) {
            column.name.assign(Trim(field.substr(0, open)));
            column.unit.assign(unit);
            return column;
        }
    }
    column.name.assign(field);
    return column;
}

bool ParseDatalog(std::string_view text, Datalog& log, std::string& error) {
    log = Datalog();
    // A spreadsheet may put a byte order mark before the header.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.empty()) return Refuse(log, error, "the file is empty");

    RecordReader reader(text);
    std::vector<std::string> fields;
    std::size_t line = 0, badField = 0;
    switch (reader.Next(fields, line, badField)) {
        case RecordReader::Result::kRecord: break;
        case RecordReader::Result::kBadQuote:
            return Refuse(log, error, Line(line) + "text after the closing quote of header field " +
                                          std::to_string(badField));
        default: return Refuse(log, error, Line(1) + "the header line has no line end");
    }
    if (std::string(Trim(fields[0])) != datalog::kTimeField)
        return Refuse(log, error, Line(line) + "the header begins with " + Quoted(fields[0]) + ", not " +
                                      datalog::kTimeField);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        DatalogColumn column = ParseDatalogHeaderField(fields[i]);
        if (column.name.empty())
            return Refuse(log, error, Line(line) + "header field " + std::to_string(i + 1) + " has no name");
        log.columns.push_back(std::move(column));
    }

    const std::size_t width = fields.size();
    std::size_t previousLine = 0;
    while (true) {
        const RecordReader::Result result = reader.Next(fields, line, badField);
        if (result == RecordReader::Result::kEnd) break;
        if (result == RecordReader::Result::kPartial) {
            log.droppedPartialLine = true;
            break;
        }
        if (result == RecordReader::Result::kBadQuote)
            return Refuse(log, error, Line(line) + "text after the closing quote of field " + std::to_string(badField));
        if (fields.size() != width)
            return Refuse(log, error, Line(line) + std::to_string(fields.size()) + " fields, but the header has " +
                                          std::to_string(width));
        double time = 0.0;
        int decimals = 0;
        const std::string_view timeText = Trim(fields[0]);
        if (timeText.empty()) return Refuse(log, error, Line(line) + "time_s is empty");
        if (!ParseNumber(timeText, time, decimals))
            return Refuse(log, error, Line(line) + "time_s " + Quoted(timeText) + " is not a number");
        if (!log.times.empty() && time < log.times.back())
            return Refuse(log, error, Line(line) + "time_s " + std::string(timeText) + " goes back from line " +
                                          std::to_string(previousLine));
        for (std::size_t i = 1; i < width; ++i) {
            const std::string_view field = Trim(fields[i]);
            double value = std::numeric_limits<double>::quiet_NaN();
            if (!field.empty()) {
                if (!ParseNumber(field, value, decimals))
                    return Refuse(log, error, Line(line) + Quoted(field) + " in column " +
                                                  log.columns[i - 1].name + " is not a number");
                DatalogColumn& column = log.columns[i - 1];
                column.decimals = std::max(column.decimals, decimals);
            }
            log.values.push_back(value);
        }
        log.times.push_back(time);
        previousLine = line;
    }
    error.clear();
    return true;
}

bool ReadDatalog(const std::string& path, Datalog& log, std::string& error) {
    std::string text;
    if (!ReadWholeFile(path, text, kMaxInputFileSize)) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size > kMaxInputFileSize)
            return Refuse(log, error, "the file is larger than " + std::to_string(kMaxInputFileSize >> 20) + " MB");
        return Refuse(log, error, "cannot read the file: " + WhyUnreadable(path));
    }
    return ParseDatalog(text, log, error);
}

int FindDatalogColumn(const Datalog& log, std::string_view name) {
    int found = kNoDatalogColumn;
    for (std::size_t i = 0; i < log.columns.size(); ++i) {
        if (log.columns[i].name != name) continue;
        if (found != kNoDatalogColumn) return kAmbiguousDatalogColumn;
        found = static_cast<int>(i);
    }
    return found;
}

bool DatalogUnitAgrees(const DatalogColumn& column, std::string_view itemUnit, std::string& why) {
    const std::string_view logUnit = TrimBlanks(column.unit);
    const std::string_view wanted = TrimBlanks(itemUnit);
    if (logUnit.empty() || EqualNoCase(logUnit, wanted)) return true;
    why = "the log's column " + column.name + " is in " + std::string(logUnit) + ", the machine's item " +
          (wanted.empty() ? std::string("has no unit") : "in " + std::string(wanted));
    return false;
}
