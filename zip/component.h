#pragma once
// The class chain shared by the archive writer and reader:
//   TArchiveComponent -> TReadWriteObj -> TZipCommon -> TCompBase -> TZip      (writer, writer.h)
//                                                  \-> TUnBase  -> TUnZIP    (reader, unzip_base.h, unzip.h)
//
// Contract:
// - Properties with setter rules are X() / SetX(); plain properties are public members named as
//   the property. Events are std::function members, empty by default; an empty event is skipped.
// - SetArchiveFile() here runs the recognition (the reader's behaviour) and leaves its result in
//   LastRecognition() / ArcType(); the writer overrides it (no recognition).
// - Every problem of a run reaches Problems() through one recorder, Record(); a problem that ends
//   the run (or, in the writer, drops a member) is kept as LastError() at the same time, so
//   LastError() is always a recorded problem. Inside a catch block RecordCaught() turns the
//   exception being handled into that record. A run starts by calling BeginRun(), which clears
//   Problems() and LastError().
// - The error routine RaiseError() records the problem, calls OnError (unless the run is
//   cancelled) and throws platform::E_RAISE(number, text). Warning() records and calls OnError.
// - LastError() is what ended the last run (Number 0 when it was not a numbered message; Text
//   empty when the run completed).
// - ProcessMessages() is the "process pending messages" point (platform hook).
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zip/attributes.h"
#include "zip/recognition.h"
#include "zip/records.h"

namespace zip {

class FileStream;

// Numbered messages of the archive components' string table.
constexpr int kMsgBadBlock = 25109;
constexpr int kMsgWriteError = 25136;  // "Error writing to file"
constexpr int kMsgIncompleteCodeSet = 25138;
constexpr int kMsgCrcFailed = 25151;
constexpr int kMsgFileNotFound = 25172;
constexpr int kMsgOpenError = 25235;  // "Error opening file"
constexpr int kMsgUnsupportedArchive = 25242;
constexpr int kMsgBadLengths = 25247;
constexpr int kMsgInconsistentLocalHeader = 25248;
constexpr int kMsgOutOfMemory = 25253;
constexpr int kMsgEventNotAssigned = 25270;
constexpr int kMsgSeekError = 25292;
constexpr int kMsgAmbiguousTree = 25293;
constexpr int kMsgStackOverflow = 25298;
constexpr int kMsgUnsupportedMethod = 25326;
constexpr int kMsgInvalidPassword = 26517;
constexpr int kMsgPasswordFailed = 26522;
constexpr int kMsgNothingToDo = 26899;  // "Nothing to do"

// The text of a message number; unknown numbers give "Error NNNNN".
std::string messageText(int number);

// One problem of a run: message number (0 for a platform error without number), its text and
// the file concerned.
struct TProblem {
    int Number = 0;
    std::string Text;
    std::string File;
    bool empty() const { return Number == 0 && Text.empty(); }
};

class TArchiveComponent {
public:
    virtual ~TArchiveComponent() = default;

    const std::string& ArchiveFile() const { return archiveFile_; }
    // Empty: clears the name, ArcType atNA. Else stores the name and runs the recognition.
    virtual void SetArchiveFile(const std::string& name);

    TArcType ArcType() const { return recognition_.arcType; }
    virtual void SetArcType(TArcType type) { recognition_.arcType = type; }

    // Recognition results of the last SetArchiveFile (first record offset, chain flags, size,
    // the last records read).
    const Recognition& LastRecognition() const { return recognition_; }
    std::uint64_t FirstRecordOffset() const { return recognition_.firstRecordOffset; }
    std::uint8_t ChainFlags() const { return recognition_.chainFlags; }
    std::uint64_t ArchiveSize() const { return recognition_.archiveSize; }
    std::uint64_t OffsetShift() const { return recognition_.offsetShift; }

    // Window of the end record search: 0 until set; a set value is kept within 2000..32767.
    int ZipCmntBufSize() const { return zipCmntBufSize_; }
    void SetZipCmntBufSize(int value) { zipCmntBufSize_ = clampZipCmntBufSize(value); }

    TAttributeFilter FileAttribute;
    std::string Password;

protected:
    void RunRecognition() { recognition_ = recognizeArchive(archiveFile_, zipCmntBufSize_); }

    std::string archiveFile_;
    Recognition recognition_;
    int zipCmntBufSize_ = 0;
};

class TReadWriteObj : public TArchiveComponent {
public:
    static constexpr std::size_t kBlockSize = 32768;

protected:
    // Writes all `count` bytes at the stream position; a short write throws E_RAISE 25136, which
    // the run records where it catches it (OnError is not called).
    void WriteBlock(FileStream& out, const void* buffer, std::size_t count);
    template <std::size_t N>
    void WriteBlock(FileStream& out, const std::array<std::uint8_t, N>& record) {
        WriteBlock(out, record.data(), N);
    }
};

class TZipCommon : public TReadWriteObj {
public:
    using TNotifyEvent = std::function<void(TZipCommon& Sender)>;
    using TErrorEvent = std::function<void(TZipCommon& Sender, const std::string& FN, const std::string& MsgEx,
                                           const std::string& VolumeID, int ECode)>;
    using TProgressEvent =
        std::function<void(TZipCommon& Sender, std::uint64_t ProgressByFile, std::uint64_t ProgressByArchive)>;
    using TBeginEvent =
        std::function<void(TZipCommon& Sender, const std::string& FN, std::uint32_t RecNum, bool& Extract)>;
    using TEndEvent = std::function<void(TZipCommon& Sender, const std::string& FN, bool CRC_PASS)>;
    using TRenameEvent = std::function<void(TZipCommon& Sender, std::string& Filename)>;
    using TElapsedTimeEvent = std::function<void(TZipCommon& Sender, double ElapsedTime)>;

    // One path or pattern per line. Lines added one by one are taken as they are.
    std::vector<std::string> FileSpec;
    std::vector<std::string> ExcludeSpec;
    // Whole-list assignment: keeps only the last component of each line and drops empty lines.
    void AssignFileSpec(const std::vector<std::string>& lines);
    void AssignExcludeSpec(const std::vector<std::string>& lines);
    bool RecurseDirs = false;

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TBeginEvent OnBegin;
    TEndEvent OnEnd;
    TErrorEvent OnError;
    TProgressEvent OnProgress;
    TRenameEvent OnRenameCompressedFile;
    TElapsedTimeEvent OnElapsedTime;

    // The cancel flag: looked at between lines, files and entries; cleared when a run starts.
    bool Cancel = false;

    // Problems (errors and warnings) of the last run, in order, and the error that ended it.
    const std::vector<TProblem>& Problems() const { return problems_; }
    const TProblem& LastError() const { return lastError_; }

protected:
    // The one recorder: appends `problem` to Problems() and, with `asLastError`, keeps it as
    // LastError() too.
    void Record(const TProblem& problem, bool asLastError);
    // Call inside a catch block: records the exception being handled for `file` and returns it.
    // A message RaiseError threw is recorded already and only becomes LastError(); a numbered
    // message thrown elsewhere keeps its number; a platform error has number 0 (and is reported to
    // OnError, unless cancelled); out of memory is 25253. Any other exception is rethrown, unless
    // `anyException`, which records it with number 0 and its text.
    TProblem RecordCaught(const std::string& file, bool asLastError, bool anyException = false);
    // Error routine: records, calls OnError (unless cancelled), then throws E_RAISE(number, text),
    // where the text is messageText(number) unless a plainer `text` is given.
    [[noreturn]] void RaiseError(int number, const std::string& file, const std::string& text = {});
    // Warning routine: records the problem, with `text` when given, else messageText(number); then
    // OnError with FN = the file-name part of `file` and MsgEx = `extra`.
    void Warning(int number, const std::string& file, const std::string& extra = {}, const std::string& text = {});
    // Call at the start of a run: clears Cancel, Problems() and LastError().
    void BeginRun();
    void ProcessMessages();

private:
    struct RecordedError;

    std::vector<TProblem> problems_;
    TProblem lastError_;
};

}  // namespace zip
