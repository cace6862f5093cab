#pragma once

#include <functional>
#include <utility>

namespace hivelark {

// A picture that a window shows at its DPI: loaded when it is set, and again whenever the window
// finds itself at another DPI (made on another monitor, moved to one). Loading happens only there,
// never while painting, so a failure is raised where it can be reported. Main thread only.
template <typename Picture> class TDpiArtwork {
public:
  // Gives the picture for a DPI; may raise an error.
  using Loader = std::function<Picture(int dpi)>;

  // Shows what `load` gives, loaded now for `dpi`; an empty loader shows an empty picture.
  void Set(Loader load, int dpi) {
    load_ = std::move(load);
    dpi_ = 0;
    picture_ = Picture();
    FitTo(dpi);
  }
  // Loads the picture again when `dpi` is not the one it was loaded for. The DPI is noted only
  // once the picture is there, so a load that failed is tried again next time.
  void FitTo(int dpi) {
    if (load_ && dpi != dpi_) {
      picture_ = load_(dpi);
      dpi_ = dpi;
    }
  }
  const Picture& Get() const { return picture_; }

private:
  Loader load_;
  int dpi_ = 0;
  Picture picture_;
};

} // namespace hivelark
