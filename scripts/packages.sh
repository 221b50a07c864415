# The Debian packages each use of the project needs.
build_packages=(cmake ninja-build g++ pkgconf libx11-dev libxrender-dev libxfixes-dev libxcomposite-dev libxtst-dev libxkbcommon-dev dpkg-dev
  libwayland-dev wayland-protocols librust-wayland-protocols-dev libpixman-1-dev libfreetype-dev libfontconfig-dev)
run_packages=(xvfb imagemagick)
test_packages=(python3 lintian desktop-file-utils appstream devscripts libxres-dev libxdamage-dev libgtest-dev libgmock-dev libbenchmark-dev valgrind
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 fonts-wine fonts-dejavu-core
  tesseract-ocr tesseract-ocr-eng
  openbox fluxbox i3-wm mutter dbus-daemon picom xterm sway xwayland grim wtype nlohmann-json3-dev x11-xserver-utils
  xcompmgr xfwm4 xfconf kwin-x11 kwin-wayland xserver-xorg-core xserver-xorg-video-dummy)
# What the tests can do without, skipping what needs them: 32-bit Wine, whose
# i386 libraries must match the amd64 ones to the version, which a mirror in
# the middle of a sync may not offer.
optional_test_packages=(wine32:i386 libwine:i386)
# Where the installer records the packages it had to leave out, one a line:
# the package, a tab, apt's reason. Packages are the machine's, and so is this.
left_out_record=/var/lib/overdraw-test/packages-left-out
