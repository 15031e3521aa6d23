#include "zip/component.h"

#include <map>

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

void TZipCommon::RaiseError(int number, const std::string& file, const std::string& text) {
    const std::string message = text.empty() ? messageText(number) : text;
    problems_.push_back({number, message, file});
    if (!Cancel && OnError) OnError(*this, file, {}, "0", number);
    throw platform::E_RAISE(number, message);
}

void TZipCommon::Warning(int number, const std::string& file, const std::string& extra, const std::string& text) {
    problems_.push_back({number, text.empty() ? messageText(number) : text, file});
    if (!Cancel && OnError) OnError(*this, platform::fileNamePart(file), extra, "0", number);
}

void TZipCommon::BeginRun() {
    Cancel = false;
    problems_.clear();
    lastError_ = {};
}

void TZipCommon::SetLastError(int number, const std::string& text, const std::string& file) {
    lastError_ = {number, text, file};
}

void TZipCommon::ProcessMessages() { platform::processPendingMessages(); }

}  // namespace zip
