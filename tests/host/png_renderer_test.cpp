#include "host/png/png_renderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/widget_metrics.h"
#include "render_test_support.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::pinnedText;

CairoSurface decodePng(const std::string& bytes) {
  struct Reader {
    const std::string& bytes;
    std::size_t offset = 0;
  } reader{bytes};
  const auto read = [](void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (r->bytes.size() - r->offset < length) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(r->bytes.data() + r->offset, length, data);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
  };
  CairoSurface surface(cairo_image_surface_create_from_png_stream(read, &reader));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return surface;
}

std::string renderPng(const Snapshot& snapshot, WidgetFamily family, Appearance appearance) {
  const ViewNode root = cableWidgetView(CableEntry{PointInTime{0}, snapshot}, family);
  std::ostringstream out;
  PngRenderer(pinnedText(), appearance)
      .render(root, family, UntranslatedStrings(), test::englishTexts(), out);
  return out.str();
}

struct Pixel {
  int alpha, red, green, blue;
};

Pixel pixelAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* row =
      cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  std::uint32_t value = 0;
  std::memcpy(&value, row + 4 * x, 4);
  return {static_cast<int>(value >> 24), static_cast<int>((value >> 16) & 0xff),
          static_cast<int>((value >> 8) & 0xff), static_cast<int>(value & 0xff)};
}

// Share of pixels whose channels differ by more than `threshold`; 1 when
// the sizes differ.
double differingShare(cairo_surface_t* a, cairo_surface_t* b, int threshold) {
  const int width = cairo_image_surface_get_width(a);
  const int height = cairo_image_surface_get_height(a);
  if (width != cairo_image_surface_get_width(b) || height != cairo_image_surface_get_height(b)) {
    return 1;
  }
  long differing = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Pixel p = pixelAt(a, x, y);
      const Pixel q = pixelAt(b, x, y);
      if (std::abs(p.alpha - q.alpha) > threshold || std::abs(p.red - q.red) > threshold ||
          std::abs(p.green - q.green) > threshold || std::abs(p.blue - q.blue) > threshold) {
        ++differing;
      }
    }
  }
  return static_cast<double>(differing) / (static_cast<double>(width) * height);
}

TEST(PngRendererTest, FontsArePinned) {
  EXPECT_TRUE(pinnedText().usable()) << "install fonts-inter and fonts-dejavu-core";
}

// Golden pictures, one per family. Anti-aliasing may differ by a few
// levels between library builds; a changed layout moves whole glyphs.
// On a mismatch the render is written under the build tree for review.
struct Golden {
  const char* name;
  WidgetFamily family;
  Appearance appearance;
};

class GoldenImageTest : public testing::TestWithParam<Golden> {};

TEST_P(GoldenImageTest, MatchesCheckedInPicture) {
  const Golden& golden = GetParam();
  const std::string actual =
      renderPng(test::dockPhoneAndEmptyPort(), golden.family, golden.appearance);
  const std::string path = test::fixturePath(std::string("render/") + golden.name + ".png");
  std::ifstream file(path, std::ios::binary);
  const std::string expected((std::istreambuf_iterator<char>(file)), {});

  const CairoSurface actualImage = decodePng(actual);
  const CairoSurface expectedImage = decodePng(expected);
  ASSERT_TRUE(actualImage) << "the renderer wrote no PNG";
  const double share =
      expectedImage ? differingShare(actualImage.get(), expectedImage.get(), 48) : 1.0;
  if (share > 0.002) {
    const std::string directory = std::string(PLUGSCOPE_BINARY_DIR) + "/render-actual";
    std::filesystem::create_directories(directory);
    std::ofstream(directory + "/" + golden.name + ".png", std::ios::binary) << actual;
    ADD_FAILURE() << path << ": " << share * 100 << "% of pixels differ; the render is in "
                  << directory;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Families, GoldenImageTest,
    testing::Values(Golden{"small-light", WidgetFamily::small, Appearance::light},
                    Golden{"medium-light", WidgetFamily::medium, Appearance::light},
                    Golden{"large-dark", WidgetFamily::large, Appearance::dark}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::erase(name, '-');
      return name;
    });

}  // namespace
}  // namespace plugscope
