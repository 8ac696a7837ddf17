// The program object and the screen object: what the forms know about the process and the primary screen.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/units.h"

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
  void SetTaskVisible(bool visible);

  // Loaded forms, in the order they were loaded. The message loop ends when the last one unloads.
  const std::vector<Form*>& Forms() const { return forms_; }
  // Ends the process at once, unloading nothing.
  void End() { system.Quit(); }

 private:
  friend class Form;
  void FormLoaded(Form& form);
  void FormUnloaded(Form& form);

  std::vector<Form*> forms_;
  bool taskVisible_ = true;
};

}  // namespace tk
