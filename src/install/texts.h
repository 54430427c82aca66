// The Japanese texts of the integration: menu captions, the toolbar button's text and
// the window titles of the product's background programs. They are written,
// compared and shown as Shift-JIS bytes whatever the system's code page.
#pragma once

namespace texts {

inline constexpr char kTranslate[] = "\x96\x7c\x96\xf3";  // 翻訳 (translate)
// 訳ふり(英語のみ) (annotate with translations, English only)
inline constexpr char kAnnotate[] = "\x96\xf3\x82\xd3\x82\xe8\x28\x89\x70\x8c\xea\x82\xcc\x82\xdd\x29";
// 訳ふり辞書に追加(英語のみ) (add to the annotation dictionary, English only)
inline constexpr char kAddToDictionary[] =
    "\x96\xf3\x82\xd3\x82\xe8\x8e\xab\x8f\x91\x82\xc9\x92\xc7\x89\xc1\x28\x89\x70\x8c\xea\x82\xcc\x82\xdd\x29";
// 未知語リスト作成 (make the list of unknown words)
inline constexpr char kUnknownWords[] = "\x96\xa2\x92\x6d\x8c\xea\x83\x8a\x83\x58\x83\x67\x8d\xec\x90\xac";
inline constexpr char kSettings[] = "\x96\x7c\x96\xf3\x90\xdd\x92\xe8";  // 翻訳設定 (translation settings)

// The background programs' windows: class name prefix and title prefix.
struct TransWindow {
    const char* classPrefix;
    const char* titlePrefix;
};
// Zentho ネットスケープ翻訳 (Netscape translation)
inline constexpr TransWindow kNetscapeMain = {
    "#ZenthoNSTrans4#", "Zentho \x83\x6c\x83\x62\x83\x67\x83\x58\x83\x50\x81\x5b\x83\x76\x96\x7c\x96\xf3"};
// Zentho ネットスケープ翻訳サブタスク (Netscape translation sub-task)
inline constexpr TransWindow kNetscapeSub = {
    "#ZenthoNSTransSub4#",
    "Zentho \x83\x6c\x83\x62\x83\x67\x83\x58\x83\x50\x81\x5b\x83\x76\x96\x7c\x96\xf3\x83\x54\x83\x75\x83\x5e\x83\x58"
    "\x83\x4e"};
// Zentho メール翻訳 (mail translation)
inline constexpr TransWindow kMailToolbar = {"#ZenthoMailTrans4#", "Zentho \x83\x81\x81\x5b\x83\x8b\x96\x7c\x96\xf3"};

}  // namespace texts
