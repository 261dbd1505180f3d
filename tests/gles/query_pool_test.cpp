// Occlusion queries: names, targets, the visibility mode they switch, and
// results that arrive when the GPU has run the query's command buffer,
// also across flushes and from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "gles/context/current_context.h"
#include "platform/metal/buffer.h"
#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::RenderTest;
using namespace std::chrono_literals;

constexpr float kTriangle[] = {0, 0, 1, 0, 0, 1};

class QueryPoolTest : public RenderTest {
 protected:
  MGLQueryPool& pool() { return *context->queryPool(); }
  MGLOcclusionQueryState& visibility() { return *context->occlusionQueryState(); }
};

TEST_F(QueryPoolTest, NamesAreHandedOutLowestFirstAndReused) {
  GLuint names[3] = {};
  pool().gen(0, names);
  EXPECT_EQ(names[0], 0u);
  EXPECT_EQ(pool().queryCount(), 0u);
  pool().gen(3, names);
  EXPECT_EQ(names[2], 3u);
  EXPECT_TRUE(pool().isUsed(2));
  EXPECT_FALSE(pool().isQuery(2));  // not begun yet
  const GLuint doomed[] = {2, 99, 0};
  pool().remove(3, doomed);  // names never handed out are ignored
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_FALSE(pool().isUsed(2));
  GLuint again = 0;
  pool().gen(1, &again);
  EXPECT_EQ(again, 2u);
  pool().gen(-1, names);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. The number of queries cannot be negative");
  pool().remove(-1, names);
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
  // Running out: the names found so far stay written.
  std::vector<GLuint> all(MGLQueryPool::kMaxQueryCount);
  pool().gen(static_cast<GLsizei>(all.size()), all.data());
  EXPECT_EQ(errorText(), "GL_OUT_OF_MEMORY. The maximum number of queries is 8192.");
  EXPECT_EQ(all[8188], 8192u);
  EXPECT_EQ(all[8189], 0u);
}

TEST_F(QueryPoolTest, BeginAndEndCheckTheirNamesAndTargets) {
  GLuint q[2];
  pool().gen(2, q);
  pool().beginQuery(5, GL_ANY_SAMPLES_PASSED_EXT);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. 5 is not an a valid query name.");
  pool().beginQuery(q[0], GL_ANY_SAMPLES_PASSED_EXT);
  EXPECT_EQ(visibility().mode(), mtl::VisibilityResultMode::Boolean);
  EXPECT_EQ(visibility().offset(), 0u);
  pool().beginQuery(q[1], GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. A query is already active.");
  EXPECT_EQ(pool().getQuery(GL_CURRENT_QUERY_EXT, GL_ANY_SAMPLES_PASSED_EXT), q[0]);
  EXPECT_EQ(pool().getQuery(GL_CURRENT_QUERY_EXT, GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT), 0u);
  EXPECT_EQ(pool().getParameter(GL_QUERY_RESULT_EXT, q[0]), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Query 1 is active.");
  pool().endQueryForTarget(GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. A query is not currently active for target "
            "GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT.");
  pool().endQueryForTarget(GL_ANY_SAMPLES_PASSED_EXT);
  EXPECT_EQ(visibility().mode(), mtl::VisibilityResultMode::Disabled);
  EXPECT_TRUE(pool().isQuery(q[0]));
  // A name keeps its target.
  pool().beginQuery(q[0], GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Query 1 is already assigned to query type "
            "GL_ANY_SAMPLES_PASSED_EXT.");
  pool().beginQuery(q[1], GL_TEXTURE_2D);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_TEXTURE_2D is not a valid query target.");
  EXPECT_EQ(pool().getQuery(GL_QUERY_RESULT_EXT, GL_ANY_SAMPLES_PASSED_EXT), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_QUERY_RESULT_EXT is not a valid query pname.");
  EXPECT_EQ(pool().getParameter(GL_CURRENT_QUERY_EXT, q[0]), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_CURRENT_QUERY_EXT is not a valid query parameter name.");
  EXPECT_EQ(pool().getParameter(GL_QUERY_RESULT_EXT, q[1]), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. 2 is not a valid query name.");
}

TEST_F(QueryPoolTest, DrawsBetweenBeginAndEndWriteTheQuerysResult) {
  readyToDraw(kTriangle);
  GLuint q[2];
  pool().gen(2, q);
  pool().beginQuery(q[1], GL_ANY_SAMPLES_PASSED_EXT);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  pool().endQueryForTarget(GL_ANY_SAMPLES_PASSED_EXT);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setVisibilityResultMode 1 offset=8"), 1u);
  EXPECT_EQ(count("setVisibilityResultMode 0 offset=0"), 1u);
  // Available only once the GPU has run the buffer; asking flushes it.
  device->gpu().setSynchronous(false);
  device->gpu().pause();
  EXPECT_EQ(pool().getParameter(GL_QUERY_RESULT_AVAILABLE_EXT, q[1]), 0u);
  EXPECT_EQ(renderer().currentCommandBuffer(), nullptr);  // committed
  device->gpu().resume();
  device->gpu().waitUntilIdle();
  EXPECT_EQ(pool().getParameter(GL_QUERY_RESULT_AVAILABLE_EXT, q[1]), 1u);
  // Until the rasteriser writes visibility, the result is what the buffer holds.
  const std::uint32_t written = 1;
  std::memcpy(static_cast<std::uint8_t*>(pool().visibilityMTLBuffer()->contents()) + 8, &written, 4);
  EXPECT_EQ(pool().getParameter(GL_QUERY_RESULT_EXT, q[1]), 1u);
  EXPECT_EQ(errorCode(), 0u);
}

// The handler goes on the buffer that was open when the query ended, with
// that buffer's ID: after a flush the query's result must still arrive.
TEST_F(QueryPoolTest, AResultArrivesWhenTheQueryEndsAfterAFlush) {
  readyToDraw(kTriangle);
  device->gpu().setSynchronous(false);
  GLuint q;
  pool().gen(1, &q);
  pool().beginQuery(q, GL_ANY_SAMPLES_PASSED_EXT);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  renderer().flushCommands();
  pool().endQueryForTarget(GL_ANY_SAMPLES_PASSED_EXT);
  auto task = std::make_shared<std::packaged_task<GLuint()>>([c = context.get(), q] {
    mglSetCurrentContext(c);
    const GLuint result = c->queryPool()->getParameter(GL_QUERY_RESULT_EXT, q);
    mglSetCurrentContext(nullptr);
    return result;
  });
  std::future<GLuint> result = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(result.get(), 0u);
}

// Deleting an active query ends it: visibility must not stay on at an
// offset the name's next owner will use.
TEST_F(QueryPoolTest, DeletingAnActiveQueryEndsIt) {
  readyToDraw(kTriangle);
  GLuint q;
  pool().gen(1, &q);
  pool().beginQuery(q, GL_ANY_SAMPLES_PASSED_EXT);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  pool().remove(1, &q);
  EXPECT_EQ(visibility().mode(), mtl::VisibilityResultMode::Disabled);
  EXPECT_EQ(pool().getQuery(GL_CURRENT_QUERY_EXT, GL_ANY_SAMPLES_PASSED_EXT), 0u);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(log().at(log().size() - 3), "setVisibilityResultMode 0 offset=0");
  GLuint again;
  pool().gen(1, &again);
  pool().beginQuery(again, GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT);  // a fresh record
  EXPECT_EQ(errorCode(), 0u);
}

// Completion handlers mark results on the GPU thread while the GL thread
// hands out and deletes names: the records are shared only under the lock.
TEST_F(QueryPoolTest, HandlersAndNameChangesShareTheRecordsSafely) {
  readyToDraw(kTriangle);
  device->gpu().setSynchronous(false);
  for (int frame = 0; frame < 40; ++frame) {
    GLuint q[4];
    pool().gen(4, q);
    pool().beginQuery(q[frame % 4], GL_ANY_SAMPLES_PASSED_EXT);
    renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
    pool().endQueryForTarget(GL_ANY_SAMPLES_PASSED_EXT);
    renderer().flushCommands();
    pool().remove(2, q + (frame % 2));
    pool().gen(2, q);
    renderer().presentDrawable();
  }
  device->gpu().waitUntilIdle();
  EXPECT_EQ(errorCode(), 0u);
}

}  // namespace
