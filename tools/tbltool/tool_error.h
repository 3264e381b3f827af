// The two ways a command can fail: a user error in the command line (exit 2,
// with the usage text) and everything else (exit 1).
#pragma once

#include <QString>

#include <stdexcept>

namespace tbltool {

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const QString &message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString &message() const { return message_; }

private:
    QString message_;
};

class UsageError : public ToolError {
public:
    using ToolError::ToolError;
};

} // namespace tbltool
