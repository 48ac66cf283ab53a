#include "core/failure.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace core {

namespace {

// A quote longer than this is cut, so that a line of a hundred megabytes
// gives a message of a readable size.
constexpr std::size_t kQuoteBytes = 64;

// The first kQuoteBytes bytes of a longer text, not splitting a character,
// followed by an ellipsis.
std::string_view QuotePiece(std::string_view text, bool& cut) {
    cut = text.size() > kQuoteBytes;
    if (!cut) return text;
    std::size_t end = kQuoteBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string Quoted(std::string_view head, std::string_view whole, std::string_view tail) {
    bool cut = false;
    const std::string_view text = QuotePiece(whole, cut);
    const std::string_view ellipsis = cut ? "…" : "";
    std::string message;
    message.reserve(head.size() + text.size() + ellipsis.size() + tail.size());
    message.append(head);
    message.append(text);
    message.append(ellipsis);
    message.append(tail);
    return message;
}

std::string FileMessage(std::string_view full_path, std::string_view reason,
                        std::string_view tail) {
    std::string message = "ファイル \"";
    message.append(full_path);
    message.append("\". ");
    message.append(reason);
    message.append(tail);
    return message;
}

}  // namespace

Failure ListIndexError(long long index) {
    return Failure("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

Failure NotAWholeNumber(std::string_view text) {
    return Failure(Quoted("'", text, "' は整数ではありません"));
}

Failure NotARealNumber(std::string_view text) {
    return Failure(Quoted("'", text, "' は浮動小数点数ではありません"));
}

Failure FloatOverflow() { return Failure("浮動小数点数のオーバーフロー"); }

Failure FloatDivideByZero() { return Failure("0 による浮動小数点数除算"); }

Failure InvalidFloatOperation() { return Failure("不正な浮動小数点数演算命令"); }

Failure CannotOpen(std::string_view full_path, std::string_view reason) {
    return Failure(FileMessage(full_path, reason, " は開けません"));
}

Failure CannotCreate(std::string_view full_path, std::string_view reason) {
    return Failure(FileMessage(full_path, reason, " を作成できません"));
}

Failure SameFileAsInput(std::string_view full_path) {
    return CannotCreate(full_path, "入力ファイルと同じファイルです。");
}

Failure WriteError() { return Failure("ストリームへの書き込みエラー"); }

std::string SystemErrorText(int error_number) {
    // The user sees these inside the Japanese file messages, so the common
    // causes get Japanese wording; anything rarer falls back to the C library.
    switch (error_number) {
        case ENOENT:
            return "指定されたファイルが見つかりません。";
        case EACCES:
        case EPERM:
            return "アクセスが拒否されました。";
        case EISDIR:
            return "指定されたパスはフォルダーです。";
        case ENOTDIR:
            return "指定されたパスが見つかりません。";
        case ENOSPC:
            return "ディスクに十分な空き領域がありません。";
        case EDQUOT:
            return "ディスク クォータを超えました。";
        case EROFS:
            return "メディアは書き込み禁止になっています。";
        case EEXIST:
            return "ファイルが既に存在します。";
        case ENAMETOOLONG:
            return "ファイル名が長すぎます。";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます。";
        case EBUSY:
        case ETXTBSY:
            return "別のプロセスが使用中のため、ファイルにアクセスできません。";
        case EIO:
            return "I/O デバイス エラーです。";
        case ELOOP:
            return "シンボリック リンクの階層が深すぎます。";
        default:
            break;
    }
    char buffer[256];
    // GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(error_number, buffer, sizeof buffer);
    return text != nullptr ? std::string(text)
                           : std::string("エラー ") + std::to_string(error_number);
}

std::string FullPath(std::string_view path) {
    if (!path.empty() && path.front() == '/') {
        return std::string(path);
    }
    std::string cwd;
    std::size_t size = 256;
    for (;;) {
        cwd.resize(size);
        if (getcwd(cwd.data(), cwd.size()) != nullptr) {
            cwd.resize(std::strlen(cwd.c_str()));
            break;
        }
        if (errno != ERANGE) {
            // Without a current directory the path is the best name we have.
            return std::string(path);
        }
        size *= 2;
    }
    // Leading "./" segments add nothing to the name the user reads.
    while (path.size() >= 2 && path[0] == '.' && path[1] == '/') {
        path.remove_prefix(2);
        while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    }
    if (path == ".") path = {};
    if (cwd.empty() || cwd.back() != '/') cwd.push_back('/');
    cwd.append(path);
    if (path.empty() && cwd.size() > 1) cwd.pop_back();
    return cwd;
}

}  // namespace core
