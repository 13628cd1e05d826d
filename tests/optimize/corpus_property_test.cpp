// The pre-save pass on real files: every corpus animation (those under 120 kB unless
// QUILLON_FULL_CORPUS is 1) composes to the same screens after the pass, and again after a
// second pass.
#include "optimize/frame_optimizer.h"

#include "optimizer_support.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

TEST(CorpusProperty, OptimizedCorpusAnimationsComposeToTheSameScreens)
{
    const auto files = test_corpus::files(120000);
    if (files.empty())
        GTEST_SKIP() << "no corpus (QUILLON_SHARED unset)";
    int checked = 0;
    for (const auto& path : files) {
        DocumentPtr document = test_corpus::load(path);
        if (!document || document->frame_count == 0)
            continue;
        const auto screens = composed_screens(*document);
        optimize_document(*document);
        ASSERT_EQ(composed_screens(*document), screens) << path;
        optimize_document(*document);
        ASSERT_EQ(composed_screens(*document), screens) << path << " (second pass)";
        ++checked;
    }
    EXPECT_GT(checked, 0);
}
