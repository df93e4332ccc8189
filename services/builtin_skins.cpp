#include "services/builtin_skins.h"

#include <array>

#include "builtin_skins.inc"

namespace services {

namespace {

constexpr std::array<std::span<const std::uint8_t>, kBuiltInSkinCount> kSkins{{
    {k_skin_01, sizeof k_skin_01}, {k_skin_02, sizeof k_skin_02}, {k_skin_03, sizeof k_skin_03},
    {k_skin_04, sizeof k_skin_04}, {k_skin_05, sizeof k_skin_05}, {k_skin_06, sizeof k_skin_06},
    {k_skin_07, sizeof k_skin_07}, {k_skin_08, sizeof k_skin_08}, {k_skin_09, sizeof k_skin_09},
    {k_skin_10, sizeof k_skin_10}, {k_skin_11, sizeof k_skin_11}, {k_skin_12, sizeof k_skin_12},
    {k_skin_13, sizeof k_skin_13}, {k_skin_14, sizeof k_skin_14}, {k_skin_15, sizeof k_skin_15},
    {k_skin_16, sizeof k_skin_16}, {k_skin_17, sizeof k_skin_17}, {k_skin_18, sizeof k_skin_18},
    {k_skin_19, sizeof k_skin_19}, {k_skin_20, sizeof k_skin_20}, {k_skin_21, sizeof k_skin_21},
    {k_skin_22, sizeof k_skin_22}, {k_skin_23, sizeof k_skin_23}, {k_skin_24, sizeof k_skin_24},
    {k_skin_25, sizeof k_skin_25}, {k_skin_26, sizeof k_skin_26}, {k_skin_27, sizeof k_skin_27},
    {k_skin_28, sizeof k_skin_28}, {k_skin_29, sizeof k_skin_29}, {k_skin_30, sizeof k_skin_30},
    {k_skin_31, sizeof k_skin_31}, {k_skin_32, sizeof k_skin_32}, {k_skin_33, sizeof k_skin_33},
}};

}  // namespace

std::span<const std::uint8_t> builtin_skin(std::int32_t number) {
    if (number < 1 || number > kBuiltInSkinCount) return {};
    return kSkins[static_cast<std::size_t>(number - 1)];
}

}  // namespace services
