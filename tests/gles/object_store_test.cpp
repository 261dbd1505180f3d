// GL object stores: name generation and reuse, the reserved marker, lookup
// that creates, deferred deletion, caches of several contexts, and two
// threads on one sharegroup.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/sharegroup.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/texture.h"

namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sharegroup = mglMake<MGLSharegroup>();
    first = mglMake<MGLContext>(sharegroup.get());
    second = mglMake<MGLContext>(sharegroup.get());
    mglSetCurrentContext(first.get());
  }
  void TearDown() override { mglSetCurrentContext(nullptr); }

  MGLRef<MGLSharegroup> sharegroup;
  MGLRef<MGLContext> first, second;
};

TEST_F(StoreTest, NamesAreLowestFreeFirstAndReused) {
  MGLContextGLObjectStore* textures = first->textures();
  EXPECT_EQ(textures->generateGLID(), 1u);
  EXPECT_EQ(textures->generateGLID(), 2u);
  // Generated but unused: no object, and the name is not handed out again.
  EXPECT_EQ(textures->getObjectOrNilWithGLID(1), nullptr);
  EXPECT_EQ(textures->generateGLID(), 3u);
  textures->removeObjectWithGLID(1);
  EXPECT_EQ(textures->generateGLID(), 1u);
  // Lookup makes the object over the marker, seen by both contexts.
  MGLGLObjectBase* texture = textures->getObjectWithGLID(2);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->glID(), 2u);
  EXPECT_EQ(second->textures()->getObjectOrNilWithGLID(2), texture);
  EXPECT_EQ(texture->label(), "GLTexture (GLID 2)");
  EXPECT_EQ(texture->description(), "MGLTexture (GLID 2)");
  // Removing 0 or a name past the table does nothing.
  textures->removeObjectWithGLID(0);
  textures->removeObjectWithGLID(99);
  EXPECT_EQ(textures->getObjectOrNilWithGLID(2), texture);
}

TEST_F(StoreTest, LookupOfAnUnmadeNameCreatesIt) {
  MGLContextGLObjectStore* buffers = first->buffers();
  EXPECT_EQ(buffers->getObjectWithGLID(7)->glID(), 7u);
  EXPECT_EQ(buffers->generateGLID(), 1u);
  EXPECT_EQ(buffers->getObjectWithGLID(0), nullptr);  // no default buffer
  // A stray huge name makes nothing (and allocates no giant table).
  EXPECT_EQ(buffers->getObjectWithGLID(0xFFFFFFFFu), nullptr);
  EXPECT_EQ(first->vertexArrayObjects()->getObjectWithGLID(0xFFFFFFFFu), nullptr);
  MGLGLObjectBase* program = first->shaderPrograms()->getObjectWithGLID(0);
  ASSERT_NE(program, nullptr);  // the default program
  EXPECT_EQ(program->glID(), 0u);
  EXPECT_EQ(first->shaderPrograms()->generateGLID(), 1u);
}

TEST_F(StoreTest, RemovalClearsEveryContextsCache) {
  MGLGLObjectBase* texture = first->textures()->getObjectWithGLID(4);
  EXPECT_EQ(second->textures()->getObjectWithGLID(4), texture);  // cached in both
  second->textures()->removeObjectWithGLID(4);
  EXPECT_EQ(first->textures()->getObjectOrNilWithGLID(4), nullptr);
  EXPECT_EQ(second->textures()->getObjectOrNilWithGLID(4), nullptr);
}

TEST_F(StoreTest, DeletedShaderKeepsItsNameWhileHeld) {
  MGLContextGLObjectStore* shaders = first->shaders();
  const GLID name = shaders->generateGLID();
  MGLRef<MGLGLObjectBase> heldByProgram(shaders->getObjectWithGLID(name));
  shaders->removeObjectWithGLID(name);  // glDeleteShader
  EXPECT_EQ(shaders->getObjectOrNilWithGLID(name), heldByProgram.get());
  EXPECT_EQ(second->shaders()->getObjectWithGLID(name), heldByProgram.get());
  EXPECT_NE(shaders->generateGLID(), name);
  heldByProgram = nullptr;  // the program lets go: destroyed, name free
  EXPECT_EQ(shaders->getObjectOrNilWithGLID(name), nullptr);
  EXPECT_EQ(second->shaders()->getObjectOrNilWithGLID(name), nullptr);
  EXPECT_EQ(shaders->generateGLID(), name);
}

TEST_F(StoreTest, OldObjectsDestructionSparesTheNewerOneWithItsName) {
  MGLContextGLObjectStore* textures = first->textures();
  const GLID name = textures->generateGLID();
  MGLRef<MGLGLObjectBase> old(textures->getObjectWithGLID(name));  // held by a framebuffer
  textures->removeObjectWithGLID(name);                             // glDeleteTextures
  EXPECT_EQ(textures->generateGLID(), name);                        // the name is reused
  MGLGLObjectBase* newer = textures->getObjectWithGLID(name);
  ASSERT_NE(newer, old.get());
  old = nullptr;  // the framebuffer lets go of the old texture
  EXPECT_EQ(textures->getObjectOrNilWithGLID(name), newer);
  EXPECT_EQ(second->textures()->getObjectOrNilWithGLID(name), newer);
}

TEST_F(StoreTest, VertexArrayObjectsBelongToOneContext) {
  MGLGLObjectStore* arrays = first->vertexArrayObjects();
  ASSERT_NE(arrays->getObjectWithGLID(0), nullptr);
  EXPECT_EQ(arrays->generateGLID(), 1u);
  EXPECT_EQ(second->vertexArrayObjects()->generateGLID(), 1u);
  MGLGLObjectBase* array = arrays->getObjectWithGLID(1);
  EXPECT_EQ(second->vertexArrayObjects()->getObjectOrNilWithGLID(1), nullptr);
  EXPECT_EQ(arrays->getObjectOrNilWithGLID(1), array);
  arrays->removeObjectWithGLID(1);
  EXPECT_EQ(arrays->getObjectOrNilWithGLID(1), nullptr);
}

TEST(SharegroupThreads, TwoContextsGenerateLookUpAndDeleteConcurrently) {
  auto sharegroup = mglMake<MGLSharegroup>();
  constexpr int kRounds = 400;
  std::vector<std::vector<GLID>> made(2);
  auto work = [&](int index) {
    auto context = mglMake<MGLContext>(sharegroup.get());
    mglSetCurrentContext(context.get());
    for (int i = 0; i < kRounds; ++i) {
      const GLID name = context->textures()->generateGLID();
      MGLGLObjectBase* texture = context->textures()->getObjectWithGLID(name);
      EXPECT_EQ(texture->glID(), name);
      made[index].push_back(name);
      const GLID shader = context->shaders()->generateGLID();
      MGLRef<MGLGLObjectBase> held(context->shaders()->getObjectWithGLID(shader));
      context->shaders()->removeObjectWithGLID(shader);
      held = nullptr;
      if (i % 3 == 0) context->textures()->removeObjectWithGLID(name);
    }
    mglSetCurrentContext(nullptr);
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  // Live names were never handed out twice at the same time.
  auto store = mglMake<MGLContext>(sharegroup.get());
  for (int index = 0; index < 2; ++index) {
    for (int i = 0; i < kRounds; ++i) {
      if (i % 3 == 0) continue;
      const GLID name = made[index][static_cast<std::size_t>(i)];
      const GLID mine = name;
      EXPECT_EQ(store->textures()->getObjectOrNilWithGLID(name)->glID(), mine);
    }
  }
  std::vector<GLID> live;
  for (int index = 0; index < 2; ++index) {
    for (int i = 0; i < kRounds; ++i) {
      if (i % 3 != 0) live.push_back(made[index][static_cast<std::size_t>(i)]);
    }
  }
  std::sort(live.begin(), live.end());
  EXPECT_EQ(std::adjacent_find(live.begin(), live.end()), live.end());
  EXPECT_EQ(store->shaders()->generateGLID(), 1u);  // every deleted shader freed its name
}

// One context looks a name up while another deletes it (or, for a
// deferred kind, drops the last reference to the deleted object). Whatever
// the order, the looking context's cache afterwards names what the shared
// table names: an entry the table has let go of would dangle once the
// object is destroyed.
class LookupRacingDelete {
 public:
  explicit LookupRacingDelete(bool deferred) : deferred_(deferred) {}

  int staleRounds(int rounds) {
    auto sharegroup = mglMake<MGLSharegroup>();
    auto looking = mglMake<MGLContext>(sharegroup.get());
    auto deleting = mglMake<MGLContext>(sharegroup.get());
    MGLSharegroupGLObjectStore* table = deferred_ ? sharegroup->shaders() : sharegroup->textures();
    MGLContextGLObjectStore* cache = deferred_ ? looking->shaders() : looking->textures();
    MGLContextGLObjectStore* other = deferred_ ? deleting->shaders() : deleting->textures();
    std::atomic<int> started{-1}, finished{-1};
    MGLRef<MGLGLObjectBase> held;  // the deferred kind's last reference
    std::thread deleter([&] {
      for (int r = 0; r < rounds; ++r) {
        waitFor(started, r);
        // A delay that differs from round to round, so that the delete
        // lands at every point of the lookup across the rounds.
        std::atomic<int> delay{0};
        while (delay.fetch_add(1, std::memory_order_relaxed) < r % 61) {
        }
        if (deferred_)
          held = nullptr;
        else
          other->removeObjectWithGLID(kName);
        reach(finished, r);
      }
    });
    int stale = 0;
    for (int r = 0; r < rounds; ++r) {
      if (deferred_) {
        held = table->getObjectWithGLID(kName);
        table->removeObjectWithGLID(kName);  // deleted, alive while held
      } else {
        table->getObjectWithGLID(kName);
      }
      reach(started, r);
      if (deferred_)
        cache->getObjectOrNilWithGLID(kName);
      else
        cache->getObjectWithGLID(kName);
      waitFor(finished, r);
      // Compared as addresses only: a stale entry must not be followed.
      if (cache->getObjectOrNilWithGLID(kName) != table->getObjectOrNilWithGLID(kName)) ++stale;
      cache->removeLocalObjectWithGLID(kName);
    }
    deleter.join();
    return stale;
  }

 private:
  // Spins while the other thread is on its way (the two must meet within a
  // lookup's time), then sleeps until it arrives: on a machine without a
  // free core, a spinner that only yields kept the other from its round,
  // and the test's rounds took minutes.
  static void waitFor(const std::atomic<int>& round, int r) {
    for (int spins = 0; spins < kSpins; ++spins)
      if (round.load(std::memory_order_acquire) >= r) return;
    for (int seen; (seen = round.load(std::memory_order_acquire)) < r;) round.wait(seen, std::memory_order_acquire);
  }
  static void reach(std::atomic<int>& round, int r) {
    round.store(r, std::memory_order_release);
    round.notify_all();
  }

  static constexpr int kSpins = 1 << 20;  // about a millisecond

  static constexpr GLID kName = 7;
  bool deferred_;
};

// The window is a few instructions wide: a plain build needs this many
// rounds to meet it every time; under ThreadSanitizer, which watches the
// threads' accesses themselves, far fewer do (and each costs far more).
#if defined(__SANITIZE_THREAD__)
constexpr int kRacingRounds = 10000;
#else
constexpr int kRacingRounds = 100000;
#endif

TEST(SharegroupThreads, ALookupRacingADeleteOnAnotherContextKeepsNoStaleEntry) {
  EXPECT_EQ(LookupRacingDelete(false).staleRounds(kRacingRounds), 0);
}

TEST(SharegroupThreads, ALookupRacingTheEndOfADeletedShaderKeepsNoStaleEntry) {
  EXPECT_EQ(LookupRacingDelete(true).staleRounds(kRacingRounds), 0);
}

TEST(SharegroupThreads, ThreadEndsWithItsContextCurrent) {
  auto sharegroup = mglMake<MGLSharegroup>();
  std::thread([&] {
    auto context = mglMake<MGLContext>(sharegroup.get());
    mglSetCurrentContext(context.get());
    context->vertexArrayObjects()->getObjectWithGLID(3);
    context->textures()->getObjectWithGLID(2);
    // The thread's slot holds the last reference when the thread ends; the
    // context's objects are destroyed with no current context to clear.
  }).join();
  auto other = mglMake<MGLContext>(sharegroup.get());
  ASSERT_NE(other->textures()->getObjectOrNilWithGLID(2), nullptr);
  EXPECT_EQ(other->textures()->getObjectOrNilWithGLID(2)->glID(), 2u);
}

}  // namespace
