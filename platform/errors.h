#pragma once
// Exceptions used across the system. Each carries the text the user sees.
#include <stdexcept>
#include <string>

namespace platform {

// Base of every failure that the error display shows as a message.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file %s": a file could not be opened for reading.
class EFOpenError : public Error {
public:
    explicit EFOpenError(const std::string& path) : Error("Cannot open file " + path) {}
};

// "Cannot create file %s": a file could not be created or truncated.
class EFCreateError : public Error {
public:
    explicit EFCreateError(const std::string& path) : Error("Cannot create file " + path) {}
};

// "Stream read error": fewer bytes than required could be read.
class EReadError : public Error {
public:
    EReadError() : Error("Stream read error") {}
};

// "File is too large: %s": a file holds more than its reader accepts.
class EFileTooLarge : public Error {
public:
    explicit EFileTooLarge(const std::string& path) : Error("File is too large: " + path) {}
};

// Raised by the archive components' error routine: a numbered message of the string table.
class E_RAISE : public Error {
public:
    E_RAISE(int number, const std::string& text) : Error(text), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// A silent abort: ends the current handler without any message.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace platform
