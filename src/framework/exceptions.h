// The framework's exception classes. Every error above the engine travels
// as one of these; handlers show message() as it is.
#pragma once

#include <QString>
#include <exception>
#include <string>

// The base exception: a message, nothing else.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString &message() const { return message_; }
    const char *what() const noexcept override { return utf8_.c_str(); }

protected:
    void setMessage(const QString &m) {
        message_ = m;
        utf8_ = m.toStdString();
    }

private:
    QString message_;
    std::string utf8_;
};

// The framework's database error: datasets and fields raise it.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A text that does not convert to the wanted type.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A value outside what a field can hold.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};
