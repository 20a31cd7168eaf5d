#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include "platform/QtTexts.h"

class QtTextsTest : public QObject {
  Q_OBJECT

 private slots:
  // The program's message boxes ask with Qt's standard buttons: they must read Japanese.
  void standardButtonsReadJapanese() {
    QVERIFY(velmor::platform::InstallJapaneseQtTexts());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes |
                           QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(box.button(QMessageBox::Yes)->text().left(2), QStringLiteral("はい"));
    QCOMPARE(box.button(QMessageBox::No)->text().left(3), QStringLiteral("いいえ"));
  }
};

QTEST_MAIN(QtTextsTest)
#include "QtTextsTest.moc"
