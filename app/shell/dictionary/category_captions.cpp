#include "category_captions.h"

namespace zv::dict {

std::array<std::string, 20> categoryCaptions(const rec::KategorieRecord& k) {
    const std::string_view captions[20] = {
        k.K1.trimmed(),  k.K2.trimmed(),  k.K3.trimmed(),  k.K4.trimmed(),  k.K5.trimmed(),
        k.K6.trimmed(),  k.K7.trimmed(),  k.K8.trimmed(),  k.K9.trimmed(),  k.K10.trimmed(),
        k.K11.trimmed(), k.K12.trimmed(), k.K13.trimmed(), k.K14.trimmed(), k.K15.trimmed(),
        k.K16.trimmed(), k.K17.trimmed(), k.K18.trimmed(), k.K19.trimmed(), k.K20.trimmed()};
    std::array<std::string, 20> out;
    for (std::size_t i = 0; i < 20; ++i)
        out[i] = std::string(captions[i]);
    return out;
}

} // namespace zv::dict
