#include "zip/component.h"

#include <map>
#include <new>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/pending.h"
#include "zip/stream.h"

namespace zip {

namespace {

const std::map<int, const char*>& messageTable() {
    static const std::map<int, const char*> table = {
        {kMsgBadBlock, "Bad block"},
        {kMsgWriteError, "Error writing to file"},
        {kMsgIncompleteCodeSet, "Incomplete code set"},
        {kMsgCrcFailed, "File fails CRC check"},
        {kMsgFileNotFound, "File not found"},
        {kMsgOpenError, "Error opening file"},
        {kMsgUnsupportedArchive, "Invalid or unsupported archive type for this operation"},
        {kMsgBadLengths, "Bad lengths"},
        {kMsgInconsistentLocalHeader, "Inconsistant local header"},
        {kMsgOutOfMemory, "Out of memory"},
        {kMsgEventNotAssigned, "Required event not assigned"},
        {kMsgSeekError, "Seek error"},
        {kMsgAmbiguousTree, "Ambiguous Shannon-Fano decode tree encountered"},
        {kMsgStackOverflow, "Stack overflow"},
        {kMsgUnsupportedMethod, "Unsupported compression method"},
        {kMsgInvalidPassword, "Invalid password"},
        {kMsgPasswordFailed, "Password failed"},
        {kMsgNothingToDo, "Nothing to do"},
    };
    return table;
}

std::vector<std::string> lastComponents(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
        std::string last = platform::fileNamePart(line);
        if (!last.empty()) out.push_back(std::move(last));
    }
    return out;
}

}  // namespace

// What RaiseError throws: a numbered message that is in the run's record already.
struct TZipCommon::RecordedError : platform::E_RAISE {
    explicit RecordedError(const TProblem& recorded)
        : platform::E_RAISE(recorded.Number, recorded.Text), problem(recorded) {}
    TProblem problem;
};

std::string messageText(int number) {
    const auto& table = messageTable();
    const auto it = table.find(number);
    if (it != table.end()) return it->second;
    return "Error " + std::to_string(number);
}

void TArchiveComponent::SetArchiveFile(const std::string& name) {
    archiveFile_ = name;
    if (name.empty()) {
        recognition_ = Recognition{};
        recognition_.arcType = atNA;
        return;
    }
    RunRecognition();
}

void TReadWriteObj::WriteBlock(FileStream& out, const void* buffer, std::size_t count) {
    if (out.write(buffer, count) != count) throw platform::E_RAISE(kMsgWriteError, messageText(kMsgWriteError));
}

void TZipCommon::AssignFileSpec(const std::vector<std::string>& lines) { FileSpec = lastComponents(lines); }

void TZipCommon::AssignExcludeSpec(const std::vector<std::string>& lines) { ExcludeSpec = lastComponents(lines); }

void TZipCommon::Record(const TProblem& problem, bool asLastError) {
    problems_.push_back(problem);
    if (asLastError) lastError_ = problem;
}

TProblem TZipCommon::RecordCaught(const std::string& file, bool asLastError, bool anyException) {
    TProblem problem{0, {}, file};
    try {
        throw;
    } catch (const RecordedError& e) {
        if (asLastError) lastError_ = e.problem;
        return e.problem;
    } catch (const platform::E_RAISE& e) {
        problem = {e.number(), e.what(), file};
    } catch (const platform::Error& e) {
        problem.Text = e.what();
        if (!Cancel && OnError) OnError(*this, platform::fileNamePart(file), problem.Text, "0", 0);
    } catch (const std::bad_alloc&) {
        problem = {kMsgOutOfMemory, messageText(kMsgOutOfMemory), file};
    } catch (const std::exception& e) {
        if (!anyException) throw;
        problem.Text = e.what();
    } catch (...) {
        if (!anyException) throw;
        problem.Text = "Unknown error";
    }
    Record(problem, asLastError);
    return problem;
}

void TZipCommon::RaiseError(int number, const std::string& file, const std::string& text) {
    const TProblem problem{number, text.empty() ? messageText(number) : text, file};
    Record(problem, false);
    if (!Cancel && OnError) OnError(*this, file, {}, "0", number);
    throw RecordedError(problem);
}

void TZipCommon::Warning(int number, const std::string& file, const std::string& extra, const std::string& text) {
    Record({number, text.empty() ? messageText(number) : text, file}, false);
    if (!Cancel && OnError) OnError(*this, platform::fileNamePart(file), extra, "0", number);
}

void TZipCommon::BeginRun() {
    Cancel = false;
    problems_.clear();
    lastError_ = {};
}

void TZipCommon::ProcessMessages() { platform::processPendingMessages(); }

}  // namespace zip
