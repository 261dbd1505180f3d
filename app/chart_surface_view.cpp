#include "app/chart_surface_view.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/chart_screen_controller.h"
#include "chart/gl_api.h"
#include "chart/planet_textures.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "gles/context/gl.h"
#include "gles/context/utilities.h"
#include "platform/coregraphics/context.h"
#include "platform/foundation/bundle.h"
#include "platform/quartzcore/metal_layer.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"
#include "skydata/app_bridge.h"
#include "skydata/sky_database.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/utility.h"

namespace {

// The graphics layer's capability that logs every call (off while drawing).
constexpr GLenum kGLCallLogging = 0x600B;

// One context for every chart view of the process.
MGLEAGLContext* sharedContext() {
  static MGLRef<MGLEAGLContext> context = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
  return context.get();
}

void makeSharedContextCurrent() {
  if (MGLEAGLContext::currentContext() != sharedContext()) MGLEAGLContext::setCurrentContext(sharedContext());
}

std::string resourcePath(const char* relative) { return ns::Bundle::main().resourcePath() + relative; }

}  // namespace

double chartSurfaceScale() { return Utility::screenScale(); }

// ---- Selection marker -----------------------------------------------------------

SelectionMarkerView::SelectionMarkerView(const ui::Rect& frame) : ui::View(frame) {
  setUserInteractionEnabled(false);
  setMultipleTouchEnabled(true);
}

void SelectionMarkerView::drawRect(cg::Context& context, const ui::Rect&) {
  CSkyChart* chart = chartView ? chartView->pSkyChart() : nullptr;
  if (chart == nullptr || chart->selectedObject == nullptr) return;
  const double scale = chartSurfaceScale();
  context.saveGState();
  context.scaleCTM(1 / scale, 1 / scale);
  chart->cgContext = &context;
  const float* marker = chart->selectionScreenPosition;
  if (marker[2] >= 0) chart->drawObjectMarker(chart->selectedObject, nullptr, marker[0], marker[1], marker[2]);
  if (chart->pointerPending) chart->drawSelectedObjectPointer(chart->selectedObject);
  chart->cgContext = nullptr;
  context.restoreGState();
}

// ---- The view -------------------------------------------------------------------

ChartSurfaceView::ChartSurfaceView() { commonInit(); }

ChartSurfaceView::~ChartSurfaceView() {
  prepareForDealloc();
  deleteSkyChart();
  deleteFramebuffer();
}

void ChartSurfaceView::commonInit() {
  setMultipleTouchEnabled(false);
  setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
  setOpaque(true);
  setBackgroundColor(ui::Color::black());
  createSkyChart();
  loadImageIndex(resourcePath("/SkyImages/SolarSystem/Index.txt").c_str());
  if (skyChart_) {
    skyChart_->loadDeepSkyImageIndex(resourcePath("/SkyImages/DeepSky/Index.txt").c_str(), nullptr);
    skyChart_->loadConstellationImageIndex(resourcePath("/SkyImages/Constellations/Index.txt").c_str(),
                                           skyChart_->database);
  }

  selectionView_ = std::make_shared<SelectionMarkerView>(bounds());
  selectionView_->chartView = this;
  selectionView_->setOpaque(false);
  selectionView_->setBackgroundColor(ui::Color::clear());
  selectionView_->setHidden(true);
  addSubview(selectionView_);
  startPulseTimer();

  auto layer = MGLCAEAGLLayer::layer();
  mglSetDrawableProperties(*layer, {{kEAGLDrawablePropertyRetainedBacking, false},
                                    {kEAGLDrawablePropertyColorFormat, std::string(kEAGLColorFormatRGBA8)}});
  setMetalLayer(layer);
  makeSharedContextCurrent();
  scaleFactor_ = float(chartSurfaceScale());
  updateLayerGeometry();

  displayLink_ = std::make_shared<ca::DisplayLink>([this](ca::DisplayLink&) { displayLinkCalled(); });
  ui::addDisplayLinkToMainRunLoop(displayLink_);
  displayLink_->setPaused(true);

  // Redraw requests of the chart's threads (the texture loader, the
  // orbit-data update) reach the chart view on the main run loop.
  setChartRedrawHandler([] {
    ns::RunLoop::main().performOnLoop([] {
      if (ChartViewController* controller = ChartViewController::currentController())
        if (ChartView* view = controller->chartView()) view->setNeedsDisplay();
    });
  });
}

void ChartSurfaceView::createSkyChart() {
  AppDelegate* delegate = AppDelegate::instance();
  CSkyDatabase* database = delegate ? delegate->pSkyData() : nullptr;
  if (database == nullptr) return;
  const std::string images = resourcePath("/SkyImages");
  skyChart_ = std::make_unique<CSkyChart>(database, images.c_str());
  skyChart_->setContentScale(float(chartSurfaceScale()));
  skyChart_->setFontNames("Exo-Regular", "Exo-Bold", "Exo-Italic");
  // The planets and the Moon come from the bundle's JPL file where it
  // covers the date, from the series elsewhere. A folder too long for the
  // chart's field is left unset rather than cut to some other folder.
  const std::string ephemeris = resourcePath("/SkyData/JPL/");
  if (ephemeris.size() < sizeof skyChart_->ephemerisDirectory)
    std::snprintf(skyChart_->ephemerisDirectory, sizeof skyChart_->ephemerisDirectory, "%s", ephemeris.c_str());
  else
    std::fprintf(stderr, "Ephemeris folder too long, using the series: %s\n", ephemeris.c_str());
}

void ChartSurfaceView::deleteSkyChart() {
  if (!skyChart_) return;
  makeSharedContextCurrent();
  skyChart_.reset();
}

void ChartSurfaceView::updateLayerGeometry() {
  if (const std::shared_ptr<ca::MetalLayer> layer = metalLayer()) {
    layer->setBounds({0, 0, {bounds().width(), bounds().height()}});
    layer->setContentsScale(scaleFactor_);
  }
}

void ChartSurfaceView::setFrame(const ui::Rect& frame) {
  ChartView::setFrame(frame);
  updateLayerGeometry();
  if (selectionView_) selectionView_->setFrame(bounds());
}

void ChartSurfaceView::createFrameBuffer() {
  if (viewFramebuffer_ != 0) return;
  makeSharedContextCurrent();
  glGenFramebuffers(1, &viewFramebuffer_);
  glGenRenderbuffers(1, &viewRenderbuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, viewRenderbuffer_);
  if (!sharedContext()->renderbufferStorage(GL_RENDERBUFFER, metalLayer()))
    std::fprintf(stderr, "Error calling renderbufferStorage:fromDrawable:\n");
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, viewRenderbuffer_);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &backingWidth_);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &backingHeight_);
  glGenRenderbuffers(1, &depthRenderbuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, backingWidth_, backingHeight_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer_);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) std::fprintf(stderr, "Failed to make complete framebuffer object %x\n", status);
  glDisable(kGLCallLogging);
  // The program is built once: every framebuffer of the shared context
  // draws with it.
  if (!shaderReady_) {
    shaderReady_ = createShaderProgram(resourcePath("/Shaders/VertexShader.glsl").c_str(),
                                       resourcePath("/Shaders/FragmentShader.glsl").c_str()) != 0;
  }
}

void ChartSurfaceView::deleteFramebuffer() {
  makeSharedContextCurrent();
  for (unsigned* name : {&viewFramebuffer_}) {
    if (*name != 0) glDeleteFramebuffers(1, name);
    *name = 0;
  }
  for (unsigned* name : {&viewRenderbuffer_, &depthRenderbuffer_}) {
    if (*name != 0) glDeleteRenderbuffers(1, name);
    *name = 0;
  }
}

void ChartSurfaceView::setupView() { glViewport(0, 0, backingWidth_, backingHeight_); }

void ChartSurfaceView::layoutSubviews() {
  ChartView::layoutSubviews();
  readyToDraw_ = false;
  deleteFramebuffer();
  updateLayerGeometry();
  if (bounds().width() < 1 || bounds().height() < 1) return;
  createFrameBuffer();
  setupView();
  readyToDraw_ = true;
  drawImmediately();
}

void ChartSurfaceView::setNeedsDisplay() {
  if (readyToDraw_ && displayLink_) displayLink_->setPaused(false);
}

void ChartSurfaceView::displayLinkCalled() {
  displayLink_->setPaused(true);
  drawImmediately();
}

void ChartSurfaceView::drawImmediately() {
  if (!ui::Application::exists() || ui::Application::shared().state() != ui::ApplicationState::active) return;
  if (!readyToDraw_) return;
  if (drawingDisabled_ && !(chartViewController && chartViewController->doingLiveAdjust())) return;
  // This frame answers every redisplay request made before it (a real-time
  // tick asks for one and then draws at once): the link need not draw the
  // same picture again at the next refresh.
  if (displayLink_) displayLink_->setPaused(true);
  makeSharedContextCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
  setupView();
  CSkyChart* chart = skyChart_.get();
  AppDelegate* delegate = AppDelegate::instance();
  if (chart != nullptr && delegate != nullptr && delegate->pSkyData() != nullptr) {
    std::lock_guard<std::recursive_mutex> lock(chartLock_);
    chart->setViewport(0, 0, float(bounds().width() * scaleFactor_), float(bounds().height() * scaleFactor_));
    Settings* settings = chartViewController ? chartViewController->settings() : nullptr;
    const bool stereo = settings && settings->autoVR() && bounds().width() > bounds().height() &&
                        chartPerspective_ != kGroundPerspective;
    // A frame with nothing selected draws nothing: the sky is cleared here
    // so that the surface never shows an old or undefined picture.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (stereo) {
      chart->setContentScale(1.0f);
      chart->drawStereoSkyChart();
    } else {
      chart->setContentScale(scaleFactor_);
      chart->drawSkyChart();
    }
    chart->unloadInvisibleCatalogRegions();
  }
  if (selectionView_ && chart != nullptr) {
    const bool noMarker = !chart->pointerPending && chart->selectionScreenPosition[2] < 0;
    selectionView_->setHidden(noMarker || !chart->markerVisible);
    if (!selectionView_->isHidden()) {
      selectionView_->setFrame(bounds());
      selectionView_->setNeedsDisplay();
    }
  }
  flushBuffers();
  ++framesDrawn_;
}

void ChartSurfaceView::flushBuffers() {
  glBindRenderbuffer(GL_RENDERBUFFER, viewRenderbuffer_);
  sharedContext()->presentRenderbuffer(GL_RENDERBUFFER);
  if (const GLenum error = glGetError(); error != GL_NO_ERROR)
    std::fprintf(stderr, "Error flushing OpenGL buffer: 0x%x\n", error);
  ui::setDisplayNeeded();
}

void ChartSurfaceView::highlightSatellites(bool on) {
  if (skyChart_) skyChart_->highlightSatellites(on, 10000);
}

void ChartSurfaceView::didReceiveMemoryWarning() {
  std::fprintf(stderr, "Recieved memory warning in ChartView.  Freeing Data...\n");
  if (!skyChart_) return;
  makeSharedContextCurrent();
  std::lock_guard<std::recursive_mutex> lock(chartLock_);
  CSkyChart& chart = *skyChart_;
  // Off-screen catalogue regions go (the selection kept across it).
  const SkyObjectID selected = chart.selectedObjectID;
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart.selectObject(&sun);
  chart.unloadInvisibleCatalogRegions();
  chart.selectObject(&selected);
  chart.releaseTextAtlases();
  if (CSkyDatabase* database = chart.database) chart.releaseSolarSystemRenderData(database->getSolarSystemFile());
  chart.releaseStarSprites();
  chart.releaseDeepSkyImageTextures();
  chart.releaseMilkyWayTexture();
  chart.releaseConstellationImageTextures();
  chart.releaseHorizonTextures();
}

std::shared_ptr<cg::Image> ChartSurfaceView::snapshot() const {
  ui::View* screen = chartViewController ? chartViewController->view().get() : nullptr;
  return screen ? screen->snapshotImage(chartSurfaceScale()) : snapshotImage(chartSurfaceScale());
}

std::shared_ptr<cg::Image> ChartSurfaceView::snapshotOfSkyChart() {
  if (backingWidth_ <= 0 || backingHeight_ <= 0) return nullptr;
  makeSharedContextCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, viewRenderbuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  const std::size_t width = std::size_t(backingWidth_), height = std::size_t(backingHeight_);
  std::vector<std::uint8_t> rgba(width * height * 4);
  glReadPixels(0, 0, backingWidth_, backingHeight_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  // GL rows start at the bottom; the picture is opaque.
  mglFlipRowsVertically(rgba.data(), height, width * 4);
  for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  cg::PixelFormat format;
  format.width = width;
  format.height = height;
  format.bytesPerRow = width * 4;
  return cg::Image::fromPixels(rgba.data(), rgba.size(), format);
}

void ChartSurfaceView::prepareForDealloc() {
  for (auto* timer : {&pulseTimer_, &realTimeTimer_, &zoomTimer_, &momentumTimer_, &panTimer_}) {
    if (*timer) (*timer)->invalidate();
    timer->reset();
  }
  if (displayLink_) displayLink_->invalidate();
  ns::RunLoop::main().cancelPreviousPerformRequests(this);
}

bool ChartSurfaceView::inSpaceView() const { return skyChart_ && skyChart_->isSpaceView(); }
