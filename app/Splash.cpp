#include "app/Splash.h"

#include "config/RegistrySettings.h"
#include "platform/RegistryStore.h"

std::string SplashPictureName(const std::string& exePath, int screenDepth) {
    const std::size_t slash = exePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = exePath;
    const std::size_t dot = exePath.rfind('.');
    if (dot != std::string::npos && dot > nameStart) stem = exePath.substr(0, dot);
    return stem + (screenDepth < 16 ? ".bmp" : "Fc.bmp");
}

int SplashDisplayTime(const RegistryStore& registry) {
    const auto value = registry.Query(ProgramRegistryKey(), regname::kShowSplashTime);
    if (!value || value->type != RegistryValue::Type::kDword || value->data.size() != 4)
        return static_cast<int>(SplashPlan::kDefaultTime);
    const std::uint32_t ms = static_cast<std::uint32_t>(value->data[0]) |
                             (static_cast<std::uint32_t>(value->data[1]) << 8) |
                             (static_cast<std::uint32_t>(value->data[2]) << 16) |
                             (static_cast<std::uint32_t>(value->data[3]) << 24);
    return static_cast<int>(ms > SplashPlan::kLongestTime ? SplashPlan::kLongestTime : ms);
}

SplashPlan PlanSplash(const std::string& exePath, int screenDepth, const RegistryStore& registry) {
    SplashPlan plan;
    if (!ReadBitmapFile(SplashPictureName(exePath, screenDepth), plan.picture)) return plan;
    plan.show = true;
    plan.displayTime = SplashDisplayTime(registry);
    return plan;
}
