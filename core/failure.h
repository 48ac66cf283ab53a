#pragma once
// Every failure a user command can end with. The message is the exact text
// shown in the error box; the builders below are the only place these texts
// are written, so every caller raises the same words.
#include <stdexcept>
#include <string>
#include <string_view>

namespace core {

class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

// "リストのインデックスが範囲を超えています (%d)"
[[nodiscard]] Failure ListIndexError(long long index);
// "'%s' は整数ではありません"
[[nodiscard]] Failure NotAWholeNumber(std::string_view text);
// "'%s' は浮動小数点数ではありません"
[[nodiscard]] Failure NotARealNumber(std::string_view text);
// "浮動小数点数のオーバーフロー"
[[nodiscard]] Failure FloatOverflow();
// "0 による浮動小数点数除算"
[[nodiscard]] Failure FloatDivideByZero();
// "不正な浮動小数点数演算命令"
[[nodiscard]] Failure InvalidFloatOperation();
// "ファイル "%s". %s は開けません"
[[nodiscard]] Failure CannotOpen(std::string_view full_path, std::string_view reason);
// "ファイル "%s". %s を作成できません"
[[nodiscard]] Failure CannotCreate(std::string_view full_path, std::string_view reason);
// CannotCreate with "入力ファイルと同じファイルです。": a file a conversion
// would write is one it reads or writes already.
[[nodiscard]] Failure SameFileAsInput(std::string_view full_path);
// "ストリームへの書き込みエラー"
[[nodiscard]] Failure WriteError();

// The operating system's description of an errno value, in the user's language.
[[nodiscard]] std::string SystemErrorText(int error_number);

// A relative path completed with the current directory, as file messages name it.
[[nodiscard]] std::string FullPath(std::string_view path);

}  // namespace core
