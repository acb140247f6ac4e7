#pragma once
// The editor's screen texts as code page 932 (Shift JIS) bytes, the encoding its fonts draw.
// Each line above a text shows it in UTF-8. Literals are split where a hex escape would
// otherwise swallow the next character. A trail byte may be 0x5C ('\\', escaped below) but
// never 0x25, so the only '%' bytes are the intended printf directives.

// 中心点　縦横倍率
inline constexpr char kHeading[] =
    "\x92\x86\x90S\x93_\x81@\x8F"
    "c\x89\xA1\x94{\x97\xA6";
// カーソルキー[SPACE]で移動
inline constexpr char kHelpLine1[] =
    "\x83J\x81[\x83\\\x83\x8B\x83L\x81[[SPACE]\x82\xC5\x88\xDA\x93\xAE";
// [Z][X][A][S][Q][W]でパラメータ変動
inline constexpr char kHelpLine2[] =
    "[Z][X][A][S][Q][W]\x82\xC5\x83p\x83\x89\x83\x81\x81[\x83^\x95\xCF\x93\xAE";
// [P]でプレビュー[M]で出力
inline constexpr char kHelpLine3[] =
    "[P]\x82\xC5\x83v\x83\x8C\x83r\x83\x85\x81[[M]\x82\xC5\x8Fo\x97\xCD";
// 後はもうフィーリングで!!
inline constexpr char kHelpLine4[] =
    "\x8C\xE3\x82\xCD\x82\xE0\x82\xA4\x83t\x83"
    "B\x81[\x83\x8A\x83\x93\x83O\x82\xC5!!";
// X逆:%3d[Q] Y逆:%3d[W]
inline constexpr char kReverseFormat[] = "X\x8Bt:%3d[Q] Y\x8Bt:%3d[W]";
// X歪:%3d[A] Y歪:%3d[S]
inline constexpr char kDistortFormat[] =
    "X\x98"
    "c:%3d[A] Y\x98"
    "c:%3d[S]";
// パターン:   %d
inline constexpr char kPatternFormat[] = "\x83p\x83^\x81[\x83\x93:   %d";
// パレット:    %d
inline constexpr char kPaletteFormat[] =
    "\x83p\x83\x8C\x83"
    "b\x83g:    %d";
// 識別番号: %c
inline constexpr char kIdLetterFormat[] = "\x8E\xAF\x95\xCA\x94\xD4\x8D\x86: %c";
// モザイクレベル:    %d
inline constexpr char kMosaicFormat[] =
    "\x83\x82\x83U\x83"
    "C\x83N\x83\x8C\x83x\x83\x8B:    %d";
// Ｘ倍率: %f
inline constexpr char kScaleXFormat[] = "\x82w\x94{\x97\xA6: %f";
// Ｙ倍率: %f
inline constexpr char kScaleYFormat[] = "\x82x\x94{\x97\xA6: %f";
// Status line messages.
// 出力: (written: the first and the last exported frame follow)
inline constexpr char kStatusExported[] = "\x8Fo\x97\xCD: ";
// 〜 (from one file to another)
inline constexpr char kStatusRange[] = " \x81` ";
// 全%dファイル (all %d files: after E, which wrote every format)
inline constexpr char kStatusAllFilesFormat[] =
    " \x91S%d\x83t\x83@\x83"
    "C\x83\x8B";
// 保存: (saved: the slot file follows)
inline constexpr char kStatusSaved[] = "\x95\xDB\x91\xB6: ";
// 保存できません: (cannot save: the file and the reason follow)
inline constexpr char kStatusSaveFailed[] =
    "\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1: ";
// 出力できません: (cannot export: the file and the reason follow)
inline constexpr char kStatusExportFailed[] =
    "\x8Fo\x97\xCD\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1: ";
// 終了できません: (cannot quit: the edits could not be kept; the reason and the file follow)
inline constexpr char kStatusCloseRefused[] =
    "\x8F"
    "I\x97\xB9\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1: ";
// 未保存: (unsaved edits kept from an earlier run: the first recovery file follows)
inline constexpr char kStatusRecovery[] = "\x96\xA2\x95\xDB\x91\xB6: ";
// 他%d件 (and %d more)
inline constexpr char kStatusMoreFormat[] = " \x91\xBC%d\x8C\x8F";
// … (a text shortened to fit)
inline constexpr char kEllipsis[] =
    "\x81"
    "c";

// The cycles panel (C) and its status messages.
// 色循環  ループ %dフレーム  [C]で閉じる
inline constexpr char kCyclesTitleFormat[] =
    "\x90"
    "F\x8Fz\x8A\xC2  \x83\x8B\x81[\x83v %d\x83t\x83\x8C\x81[\x83\x80  "
    "[C]\x82\xC5\x95\xC2\x82\xB6\x82\xE9";
// 色循環  ループ4096フレーム超  [C]で閉じる
inline constexpr char kCyclesTooLong[] =
    "\x90"
    "F\x8Fz\x8A\xC2  \x83\x8B\x81[\x83v4096\x83t\x83\x8C\x81[\x83\x80\x92\xB4  "
    "[C]\x82\xC5\x95\xC2\x82\xB6\x82\xE9";
// 順
inline constexpr char kCyclesForward[] = "\x8F\x87";
// 逆
inline constexpr char kCyclesReverse[] = "\x8Bt";
// 往復
inline constexpr char kCyclesPingPong[] = "\x89\x9D\x95\x9C";
// ブレンド
inline constexpr char kCyclesBlend[] = "\x83u\x83\x8C\x83\x93\x83h";
// 削除
inline constexpr char kCyclesRemove[] = "\x8D\xED\x8F\x9C";
// [SPACE]で範囲を追加
inline constexpr char kCyclesAdd[] = "[SPACE]\x82\xC5\x94\xCD\x88\xCD\x82\xF0\x92\xC7\x89\xC1";
// 色循環を読めません:
inline constexpr char kStatusCyclesUnreadable[] =
    "\x90"
    "F\x8Fz\x8A\xC2\x82\xF0\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1: ";
// 読めません:
inline constexpr char kStatusSlotUnreadable[] = "\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1: ";
// 出力中 %d/%d
inline constexpr char kStatusExportingFormat[] = "\x8Fo\x97\xCD\x92\x86 %d/%d ";

// Undo and redo, and what a step changed.
// 元に戻す:
inline constexpr char kUndoPrefix[] = "\x8C\xB3\x82\xC9\x96\xDF\x82\xB7: ";
// やり直し:
inline constexpr char kRedoPrefix[] = "\x82\xE2\x82\xE8\x92\xBC\x82\xB5: ";
// 元に戻せるものはありません
inline constexpr char kNothingToUndo[] =
    "\x8C\xB3\x82\xC9\x96\xDF\x82\xB9\x82\xE9\x82\xE0\x82\xCC\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82"
    "\xB9\x82\xF1";
// やり直せるものはありません
inline constexpr char kNothingToRedo[] =
    "\x82\xE2\x82\xE8\x92\xBC\x82\xB9\x82\xE9\x82\xE0\x82\xCC\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82"
    "\xB9\x82\xF1";
// 点%dの位置
inline constexpr char kEditPointPosition[] = "\x93_%d\x82\xCC\x88\xCA\x92u";
// 点%dのX倍率
inline constexpr char kEditPointScaleX[] = "\x93_%d\x82\xCCX\x94{\x97\xA6";
// 点%dのY倍率
inline constexpr char kEditPointScaleY[] = "\x93_%d\x82\xCCY\x94{\x97\xA6";
// 点%dの重み
inline constexpr char kEditPointWeight[] =
    "\x93_%d\x82\xCC\x8F"
    "d\x82\xDD";
// X逆
inline constexpr char kEditReverseX[] = "X\x8Bt";
// Y逆
inline constexpr char kEditReverseY[] = "Y\x8Bt";
// X歪
inline constexpr char kEditDistortX[] =
    "X\x98"
    "c";
// Y歪
inline constexpr char kEditDistortY[] =
    "Y\x98"
    "c";
// パレットキー
inline constexpr char kEditKey[] =
    "\x83p\x83\x8C\x83"
    "b\x83g\x83L\x81[";
// モザイクレベル
inline constexpr char kEditMosaic[] =
    "\x83\x82\x83U\x83"
    "C\x83N\x83\x8C\x83x\x83\x8B";
// Ｘ倍率
inline constexpr char kEditSizeX[] = "\x82w\x94{\x97\xA6";
// Ｙ倍率
inline constexpr char kEditSizeY[] = "\x82x\x94{\x97\xA6";
// 識別番号
inline constexpr char kEditIdLetter[] = "\x8E\xAF\x95\xCA\x94\xD4\x8D\x86";
// 色循環
inline constexpr char kEditCycles[] =
    "\x90"
    "F\x8Fz\x8A\xC2";
// パターン%d
inline constexpr char kEditPatternSlot[] = "\x83p\x83^\x81[\x83\x93%d";
// パレット%d
inline constexpr char kEditPaletteSlot[] =
    "\x83p\x83\x8C\x83"
    "b\x83g%d";
// [F1]でキーとマウスの説明
inline constexpr char kFirstHint[] =
    "[F1]\x82\xC5\x83L\x81[\x82\xC6\x83}\x83"
    "E\x83X\x82\xCC\x90\xE0\x96\xBE";

// The help overlay (F1).
// キーとマウス  [F1]で閉じる
inline constexpr char kHelpOverlayTitle[] =
    "\x83L\x81[\x82\xC6\x83}\x83"
    "E\x83X  [F1]\x82\xC5\x95\xC2\x82\xB6\x82\xE9";
// SPACE: パネル切替 (設定→キー→中心点)
inline constexpr char kHelpOverlaySpace[] =
    "SPACE: \x83p\x83l\x83\x8B\x90\xD8\x91\xD6 "
    "(\x90\xDD\x92\xE8\x81\xA8\x83L\x81[\x81\xA8\x92\x86\x90S\x93_)";
// 矢印: カーソル移動、設定の変更
inline constexpr char kHelpOverlayArrows[] =
    "\x96\xEE\x88\xF3: \x83J\x81[\x83\\\x83\x8B\x88\xDA\x93\xAE\x81"
    "A\x90\xDD\x92\xE8\x82\xCC\x95\xCF\x8DX";
// Z X: 値を下げる・上げる
inline constexpr char kHelpOverlayZx[] =
    "Z X: \x92l\x82\xF0\x89\xBA\x82\xB0\x82\xE9\x81"
    "E\x8F\xE3\x82\xB0\x82\xE9";
// A S: X・Y歪   Q W: X・Y逆
inline constexpr char kHelpOverlayAsqw[] =
    "A S: X\x81"
    "EY\x98"
    "c   Q W: X\x81"
    "EY\x8Bt";
// P: プレビュー   M: フレームを出力
inline constexpr char kHelpOverlayPm[] =
    "P: \x83v\x83\x8C\x83r\x83\x85\x81[   M: \x83t\x83\x8C\x81[\x83\x80\x82\xF0\x8Fo\x97\xCD";
// E: 全形式を出力   C: 色循環パネル
inline constexpr char kHelpOverlayEc[] =
    "E: \x91S\x8C`\x8E\xAE\x82\xF0\x8Fo\x97\xCD   C: \x90"
    "F\x8Fz\x8A\xC2\x83p\x83l\x83\x8B";
// L: 言語 (日本語/English)
inline constexpr char kHelpOverlayL[] = "L: \x8C\xBE\x8C\xEA (\x93\xFA\x96{\x8C\xEA/English)";
// Ctrl+Z: 元に戻す   Ctrl+Y: やり直し
inline constexpr char kHelpOverlayUndo[] =
    "Ctrl+Z: \x8C\xB3\x82\xC9\x96\xDF\x82\xB7   Ctrl+Y: \x82\xE2\x82\xE8\x92\xBC\x82\xB5";
// クリック: パネル、行、値を選ぶ
inline constexpr char kHelpOverlayClick[] =
    "\x83N\x83\x8A\x83"
    "b\x83N: \x83p\x83l\x83\x8B\x81"
    "A\x8Ds\x81"
    "A\x92l\x82\xF0\x91I\x82\xD4";
// ホイール: 値を変える
inline constexpr char kHelpOverlayWheel[] =
    "\x83z\x83"
    "C\x81[\x83\x8B: \x92l\x82\xF0\x95\xCF\x82\xA6\x82\xE9";
// ドラッグ: 単一タイル表示で中心点を動かす
inline constexpr char kHelpOverlayDrag[] =
    "\x83h\x83\x89\x83"
    "b\x83O: \x92P\x88\xEA\x83^\x83"
    "C\x83\x8B\x95\\\x8E\xA6\x82\xC5\x92\x86\x90S\x93_\x82\xF0\x93\xAE\x82\xA9\x82\xB7";
// 色見本をクリック: キーの列を選ぶ
inline constexpr char kHelpOverlaySwatch[] =
    "\x90"
    "F\x8C\xA9\x96{\x82\xF0\x83N\x83\x8A\x83"
    "b\x83N: \x83L\x81[\x82\xCC\x97\xF1\x82\xF0\x91I\x82\xD4";

// (%3d,%3d) (x%3d,x%3d)x%3d
inline constexpr char kPointFormat[] = "(%3d,%3d) (x%3d,x%3d)x%3d";
