#include "engine/fixed_pools.h"

#include "engine/line_list.h"

namespace tarsel {

std::string fixed_pool_pick(Random& random, std::string_view program_path)
{
    LineList pool;
    pool.load_rich(program_path);
    const auto r = random.draw(static_cast<std::uint32_t>(pool.count()));
    return pool.line(static_cast<std::ptrdiff_t>(r));
}

} // namespace tarsel
