#include "tools/pack/package_content_check.h"

#include "accessorydb/jet_engine.h"
#include "ui/image.h"

namespace pack {

void checkPicture(platform::Env& env, const std::string& path, const std::string& label, ContentFindings& out) {
  std::shared_ptr<ui::Image> picture;
  try {
    picture = ui::loadJpeg(env, path);
  } catch (const std::exception& e) {
    out.problems.push_back(label + " is not a JPEG picture the installer can show (" + e.what() +
                           "); save it as a baseline JPEG");
    return;
  }
  if (picture->width != kDesignedPictureWidth || picture->height != kDesignedPictureHeight)
    out.warnings.push_back(label + " is " + std::to_string(picture->width) + " x " + std::to_string(picture->height) +
                           " pixels; the installer window is laid out for " + std::to_string(kDesignedPictureWidth) +
                           " x " + std::to_string(kDesignedPictureHeight) +
                           ", takes the picture's size instead and moves its buttons and fields with it");
}

accessorydb::PackageDbReport checkAccessoryDatabase(platform::Env& env, const std::string& path,
                                                    const std::string& label, ContentFindings& out) {
  const auto engine = accessorydb::makeJetEngine(env);
  auto report = accessorydb::checkPackageDatabaseFile(*engine, path);
  for (const auto& p : report.problems) out.problems.push_back(label + ": " + p);
  for (const auto& w : report.warnings) out.warnings.push_back(label + ": " + w);
  return report;
}

}  // namespace pack
