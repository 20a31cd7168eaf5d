#include "app/ToolTables.h"

namespace velmor {

const std::vector<ToolbarButtonInfo>& ToolbarButtons() {
  static const std::vector<ToolbarButtonInfo> buttons = {
      {1, true, {}, {}},
      {2, false, QStringLiteral("開く"), QStringLiteral("open")},
      {3, true, {}, {}},
      {4, false, QStringLiteral("保存"), QStringLiteral("save")},
      {5, true, {}, {}},
      {6, false, QStringLiteral("枠拡大"), QStringLiteral("zoom-frame")},
      {7, false, QStringLiteral("拡大"), QStringLiteral("zoom-in")},
      {8, false, QStringLiteral("縮小"), QStringLiteral("zoom-out")},
      {9, false, QStringLiteral("全体"), QStringLiteral("zoom-actual")},
      {10, true, {}, {}},
      {11, false, QStringLiteral("切り取り"), QStringLiteral("cut")},
      {12, false, QStringLiteral("コピー"), QStringLiteral("copy")},
      {13, false, QStringLiteral("貼付け"), QStringLiteral("paste")},
      {14, true, {}, {}},
      {15, false, QStringLiteral("ｷｬﾌﾟﾁｬ"), QStringLiteral("capture")},
      {16, false, QStringLiteral("全画面"), QStringLiteral("capture-target-full"), true},
      {17, true, {}, {}},
      {18, false, QStringLiteral("設定"), QStringLiteral("settings")},
      {19, false, QStringLiteral("作図付きコピー"), QStringLiteral("copy-figures")},
  };
  return buttons;
}

const std::vector<ToolInfo>& Tools() {
  static const std::vector<ToolInfo> tools = {
      {1, QStringLiteral("線分"), QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで線を作画します。"),
       QStringLiteral("tool-segment")},
      {2, QStringLiteral("四角"), QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで四角を作画します。"),
       QStringLiteral("tool-rectangle")},
      {3, QStringLiteral("円"), QStringLiteral("ﾏｳｽをｸﾘｯｸした中心に円を作画します。"),
       QStringLiteral("tool-circle")},
      {4, QStringLiteral("文字"), QStringLiteral("ﾏｳｽをｸﾘｯｸした位置に文字を作画します。"),
       QStringLiteral("tool-text")},
      {5, QStringLiteral("モザイク"),
       QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで四角の中をﾓｻﾞｲｸで隠します。"),
       QStringLiteral("tool-mosaic")},
      {6, QStringLiteral("番号"), QStringLiteral("ﾏｳｽをｸﾘｯｸした位置に次の番号を作画します。"),
       QStringLiteral("tool-marker")},
      {7, QStringLiteral("蛍光ペン"),
       QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで蛍光ﾍﾟﾝを引きます。Shiftを押しながらで四角に塗ります。"),
       QStringLiteral("tool-highlight")},
      {8, QStringLiteral("図形移動"), QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで付近の図形を移動します。"),
       QStringLiteral("tool-move")},
      {9, QStringLiteral("削除"), QStringLiteral("ﾏｳｽをｸﾘｯｸした付近の図形を削除します。"),
       QStringLiteral("tool-delete")},
      {10, QStringLiteral("両トリム"), QStringLiteral("2つの線分を指示して両ﾄﾘﾑできます。"),
       QStringLiteral("tool-trim-both")},
      {11, QStringLiteral("片トリム"), QStringLiteral("2つの線分を指示して片ﾄﾘﾑできます。"),
       QStringLiteral("tool-trim-one")},
      {12, QStringLiteral("線分延長"), QStringLiteral("線分を延長又はｶｯﾄできます。"),
       QStringLiteral("tool-extend")},
      {13, QStringLiteral("平行移動"), QStringLiteral("指示した線分の平行な線を作画します。"),
       QStringLiteral("tool-parallel")},
  };
  return tools;
}

const ToolInfo* FindTool(int mode) {
  for (const ToolInfo& t : Tools())
    if (t.mode == mode) return &t;
  return nullptr;
}

QStringList LineStyleNames() {
  return {QStringLiteral("実線"), QStringLiteral("鎖線"), QStringLiteral("点線"),
          QStringLiteral("1点鎖線"), QStringLiteral("2点鎖線")};
}

QStringList FillStyleNames() {
  return {QStringLiteral("べた塗"), QStringLiteral("塗り無"), QStringLiteral("横線"),
          QStringLiteral("縦線"),   QStringLiteral("斜め１"), QStringLiteral("斜め２"),
          QStringLiteral("クロス"), QStringLiteral("網掛け")};
}

QStringList EllipseRatioTexts() {
  QStringList texts;
  for (double sum = 0.2; sum <= 3.5; sum += 0.2) texts << QString::number(sum, 'f', 1);
  return texts;
}

}  // namespace velmor
