#include "platform/x11/atoms.h"

#include <iterator>
#include <string>

namespace x11 {
namespace {

struct Name {
  Atom AtomTable::*atom;
  const char* name;
};

#define X11_PLAIN_NAME(field) {&AtomTable::field, #field},
#define X11_UNDERSCORED_NAME(field) {&AtomTable::field, "_" #field},
constexpr Name names[] = {X11_ATOMS(X11_PLAIN_NAME, X11_UNDERSCORED_NAME)};
#undef X11_PLAIN_NAME
#undef X11_UNDERSCORED_NAME

}  // namespace

AtomTable InternAtoms(Display* dpy) {
  constexpr int count = static_cast<int>(std::size(names));
  std::string compositorSelection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(dpy));
  char* request[count + 1];
  Atom interned[count + 1];
  for (int i = 0; i < count; ++i) {
    request[i] = const_cast<char*>(names[i].name);
  }
  request[count] = compositorSelection.data();
  XInternAtoms(dpy, request, count + 1, False, interned);
  AtomTable atoms{};
  for (int i = 0; i < count; ++i) {
    atoms.*names[i].atom = interned[i];
  }
  atoms.NET_WM_CM_Sn = interned[count];
  return atoms;
}

}  // namespace x11
