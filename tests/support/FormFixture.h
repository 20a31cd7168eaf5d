// Building a main window for a test: a settings folder of its own, optionally with a prepared
// VLM.INI, and an exit that leaves the test process running.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/Form1.h"
#include "core/settings/Settings.h"

namespace velmor::test {

struct FormFixture {
  QTemporaryDir folder;
  std::unique_ptr<Form1> form;
  int exits = 0;

  // Writes `settings` as VLM.INI into the folder first (an empty file when none are given).
  explicit FormFixture(const Settings* settings = nullptr);
  // No VLM.INI at all, as on a first start.
  static std::unique_ptr<FormFixture> FirstStart();
  // Writes raw bytes as VLM.INI and builds the window on them.
  static std::unique_ptr<FormFixture> WithFileBytes(const std::string& bytes);

  QString IniPath() const;
  std::string IniBytes() const;
  Settings IniSettings() const;
  template <typename T>
  T* Find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

 private:
  struct Raw {};
  struct FirstStartTag {};
  FormFixture(Raw, const std::string& bytes);
  explicit FormFixture(FirstStartTag);
  void Build();
};

}  // namespace velmor::test
