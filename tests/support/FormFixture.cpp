#include "support/FormFixture.h"

#include <QFile>

#include "core/settings/SettingsFile.h"

namespace velmor::test {

FormFixture::FormFixture(const Settings* settings) {
  // Without settings, an empty file: every slot empty, not the first-start values.
  SaveSettingsFile(IniPath().toStdString(), settings ? *settings : Settings{});
  Build();
}

std::unique_ptr<FormFixture> FormFixture::FirstStart() {
  return std::unique_ptr<FormFixture>(new FormFixture(FirstStartTag{}));
}

FormFixture::FormFixture(FirstStartTag) {
  Build();
}

FormFixture::FormFixture(Raw, const std::string& bytes) {
  QFile file(IniPath());
  file.open(QIODevice::WriteOnly);
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  file.close();
  Build();
}

std::unique_ptr<FormFixture> FormFixture::WithFileBytes(const std::string& bytes) {
  return std::unique_ptr<FormFixture>(new FormFixture(Raw{}, bytes));
}

void FormFixture::Build() {
  form = std::make_unique<Form1>(folder.path());
  form->exitProgram = [this] { ++exits; };
}

QString FormFixture::IniPath() const {
  return folder.filePath(QStringLiteral("VLM.INI"));
}

std::string FormFixture::IniBytes() const {
  QFile file(IniPath());
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

Settings FormFixture::IniSettings() const {
  return ParseSettings(IniBytes());
}

}  // namespace velmor::test
