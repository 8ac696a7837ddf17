// The program object and the screen object: what the forms know about the process and the primary screen.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/units.h"
#include "platform/version.h"

namespace tk {

class Form;

class Screen {
 public:
  explicit Screen(System& system) : system_(system) {}
  // Size of the primary screen in twips.
  float Width() const;
  float Height() const;
  float TwipsPerPixelX() const;
  float TwipsPerPixelY() const;

 private:
  System& system_;
};

class App {
 public:
  explicit App(System& backend) : system(backend), screen(backend) {}
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  System& system;
  tk::Screen screen;

  bool PrevInstance() { return system.PrevInstance(); }
  std::string Path() { return system.AppPath(); }  // the program's folder
  // The running release, the same numbers as the version resource (tests may pose as another release).
  int Major = LUMORA_VERSION_MAJOR;
  int Minor = LUMORA_VERSION_MINOR;
  int Revision = LUMORA_VERSION_REVISION;

  // Loaded forms, in the order they were loaded. The message loop ends when the last one unloads.
  const std::vector<Form*>& Forms() const { return forms_; }
  // Ends the process at once, unloading nothing.
  void End() { system.Quit(); }

 private:
  friend class Form;
  void FormLoaded(Form& form);
  void FormUnloaded(Form& form);

  std::vector<Form*> forms_;
};

}  // namespace tk
