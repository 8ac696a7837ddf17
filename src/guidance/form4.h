// The about window: the artwork, the version, a note on distribution, and links to the maker's web site and
// support address.
#pragma once

#include <cstdint>
#include <string>

#include "guidance/pictures.h"

inline constexpr char kMakerWeb[] = "https://www.quillfen.example/";
inline constexpr char kMakerSupport[] = "support@quillfen.example";

class Form4 : public ArtWindow {
 public:
  explicit Form4(tk::App& app);

  tk::Label& Label7;
  tk::Label& Label1;
  tk::Label& Label3;
  tk::Label& Label6;
  tk::Label& Label5;
  tk::CommandButton& Command1;

  void Label5_Click();
  void Label6_Click();
};

// Asks the shell to open `fFile` (an address) with the program the user's system associates with it, owned
// by `Frm`'s window; the shell's result: above 32 is success, 31 means no program is associated.
int32_t Launch(tk::Form& Frm, const std::string& fFile);
