// CSkyChart: the chart itself, the leaf of the engine chain (CSkyTime <-
// CSkyCoordinates <- CSkyProjection <- CSkyMechanics <- CSkyChart). It
// holds every drawing option, the selected and highlighted objects, the
// scratch buffers of the drawing primitives, the text atlases and the
// frame routine that draws the layers in one fixed order.
//
// Two back ends: while `cgContext` is set every primitive draws into that
// 2-D context (whose user space must be the chart's pixels with y
// downwards); otherwise it draws through the OpenGL ES 2.0 functions with
// the chart's shader program current. Text, sprites and textures exist in
// the GL back end only; in the 2-D one labels are measured and placed but
// not drawn.
//
// Options are plain fields named after their settings keys ("ShowStars" is
// showStars); the settings screens write them directly and the layers read
// them when they draw.
//
// Layers join the frame, the GL-reset releases, the destructor, the hit
// test and the marker figure at the places marked in frame.cpp,
// sky_chart.cpp, selection.cpp and highlights.cpp.
//
// Thread rules: one thread, the one whose GL context is current, calls
// everything (the chart is not re-entrant, as the engine below it is not).
// The only lock taken is the camera-frame mutex while the camera picture
// is read and uploaded.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "chart/chart_types.h"
#include "chart/object_path.h"
#include "chart/solar_system.h"
#include "chart/texture_triangles.h"
#include "mechanics/sky_mechanics.h"
#include "skydata/sky_object_id.h"

namespace cg {
class Context;
}
class CSettings;
class CTextAtlas;
class ChartTessellator;
struct GroundTarget;
struct Meteor;
class CSatellite;
class CPlanet;
class CSkyDataFile;
struct HorizonGrid;
struct ConstellationImageTable;
struct GalaxyModel;
class CConstellation;
class CSkyDataRegion;
class CStar;
class CBinaryStar;
class CDeepSkyObject;
class CDeepSkyContour;
struct DeepSkyImage;
struct DeepSkyImageTable;

// Vertex room of the primitives' scratch buffers, polygon points, label
// rectangles and atlases.
inline constexpr int kChartVertexCapacity = 65536;
inline constexpr int kChartPolygonCapacity = 256;
inline constexpr int kLabelRectCapacity = 1024;
// Labelled objects of a frame that later labels keep their distance from,
// and star labels held back until every star of the frame is placed.
inline constexpr int kLabelAnchorCapacity = 1024;
inline constexpr int kHeldStarLabelCapacity = 512;
inline constexpr int kMaxTextAtlases = 10;
// Most hit records one tap collects.
inline constexpr int kMaxHitRecords = 100;
// Most meteors alive at once.
inline constexpr int kMaxMeteors = 200;
// The faintest naked-eye magnitude: where the stars' glare begins to
// shrink, and the cap of "ShowNakedEyeOnly".
inline constexpr float kNakedEyeLimit = 6.5f;

class CSkyChart : public CSkyMechanics {
 public:
  // The database must outlive the chart. `imageDirectory` (the bundle's
  // resource folder followed by "/SkyImages"), at most 255 characters; a
  // longer one is refused (no image folder) as a cut path names another.
  // Throws std::bad_alloc when the scratch buffers cannot be allocated.
  CSkyChart(CSkyDatabase* database, const char* imageDirectory);
  ~CSkyChart() override;

  // Time and place changes mark positions for recomputing.
  void setJulianDate(double jd) override;
  void setLocation(double longitude, double latitude, double altitude) override;
  // A real change of system drops the cached paths of highlighted objects.
  void setDisplayCoordSystem(int system) override;
  // Rise and set for the searches' sort at the chart's horizon, with its
  // refraction and the bodies' upper limb (objectRiseSetTime).
  void searchRiseAndSet(CSkyObject* object, double* rise, double* set) override;

  // The four virtual slots the chart adds, in this order.
  // Applies a settings tree (chart_settings.cpp); returns 1.
  virtual int readSettings(const CSettings* tree, bool readUserLocations, bool readHighlights);
  // Appends the chart's state to the tree, whose first node must exist.
  virtual int writeSettings(CSettings* tree, bool writeUserLocations, bool writeHighlights);
  virtual void getImageDirectory(char* buffer, std::size_t size) const;
  // A null, unchanged or too long (over 255 characters) path does nothing;
  // a change releases the images that load from the folder.
  virtual void setImageDirectory(const char* path);

  // ---- Frame (frame.cpp) ----
  // One frame into the current viewport; nothing at all while no object is
  // selected.
  void drawSkyChart();
  // Two frames side by side, each in half the viewport.
  void drawStereoSkyChart();

  // ---- View, locks and selection (sky_chart.cpp) ----
  void selectObject(const SkyObjectID* id);
  bool setCenterOnSelected(bool on);
  bool setCenterOnHome(bool on);
  void setManualPanFlag(bool on);
  void centerOnObjectID(const SkyObjectID* id);
  void setDisplayCenter(int system, double lon, double lat, double rotation);
  void setDisplayCenterInSystem(int system, double lon, double lat);
  void setDisplayCenterRotated(double lon, double lat, double rotation);
  void setDisplayCenterLonLat(double lon, double lat);
  bool isSpaceView() const;
  bool isObserverNearGround() const;
  bool isObserverFarFromSun() const;
  // Longitude and latitude of the object in a coordinate system; 0 for a
  // null object.
  int getObjectDisplayPosition(CSkyObject* object, int system, double* lon, double* lat);
  // Direction in the display system from the home object; returns the
  // distance in AU (+infinity without an object).
  double getObjectDirectionFromHome(CSkyObject* object, double* lon, double* lat);
  // Altitude (radians) of the object over the chart's horizon.
  double getObjectAltitude(CSkyObject* object);
  // Daylight-saving rule from the observer's place when on, none when off.
  void setAutomaticDST(bool on);

  // ---- Hit testing (selection.cpp) ----
  int selectObjectAtPoint(float x, float y);
  int selectObjectAt(GPoint point);
  int findObjectsAt(GPoint point, SkyObjectID* hits, int maximum);
  int findHighlightedObjectsAt(GPoint point, SkyObjectID* hits, int room);

  // ---- Colour and state (primitives.cpp) ----
  // 0 none, 2 invert, 3 red night vision, 4 invert and red.
  void setColorFilter(int mode);
  void filterColor(float out[3], const float in[3]) const;
  void setColor(float r, float g, float b, float a);
  void setLineWidth(float points);
  void setContentScale(float scale);
  void setSmoothLines(bool on) { smoothLines = on; }

  // ---- Lines (primitives.cpp) ----
  bool moveToVector(const double v[3], double* x, double* y);
  bool moveTo(const double v[3]);
  void moveToPoint(float x, float y);
  bool lineToVector(const double v[3], double* x, double* y);
  bool lineTo(const double v[3]);
  void lineToPoint(float x, float y);
  // Great-circle arc from a to b in steps of at most 5 degrees.
  int drawArc(const double a[3], const double b[3]);
  int arcTo(const double v[3]);
  void strokePath();
  // A feathered line of width w pixels as four coloured triangles.
  void addThickLineSegment(GPoint from, GPoint to, const float color[4], float w);

  // ---- Polygons (primitives.cpp) ----
  bool beginPolygonAtVector(const double v[3]);
  void beginPolygonAtPoint(float x, float y);
  // Null closes and fills the polygon when it holds 3 points or more.
  void addPolygonVector(const double* v);
  void addPolygonPoint(float x, float y);
  void fillPolygon(bool close);
  // A closed polygon of sky directions, all in the open hemisphere about
  // the unit vector `pole`, filled as one polygon when every point
  // projects and the area does not hold the point opposite the view's
  // centre; otherwise (in a projection that does not reach the whole
  // sphere) its part within the projection's reach is filled, as a
  // textured globe shows it (sky_area_fill.cpp).
  void fillSkyArea(const double (*points)[3], int count, const double pole[3]);

  // ---- Shapes in pixels (shapes.cpp) ----
  void drawRectangle(bool fill, float left, float top, float right, float bottom);
  void drawSquare(float x, float y, float half);
  void drawCircle(bool fill, float x, float y, float radius, float dash);
  void drawEllipseOutline(float left, float top, float w, float h, float dash);
  void drawRotatedEllipse(bool fill, float x, float y, float rx, float ry, float angle);
  void drawEllipse(bool mirrorX, bool mirrorY, float left, float top, float w, float h,
                   float angle);
  void fillEllipseSector(bool mirrorX, bool mirrorY, float left, float top, float w, float h,
                         float start, float sweep);
  void fillCircleOverlap(float x1, float y1, float r1, float x2, float y2, float r2);
  void drawCrossHair(float x, float y, float inner, float outer);
  void drawDiamond(float x, float y, float r);
  void drawPlus(float x, float y, float r);
  void drawInvertFilter(float left, float top, float right, float bottom);
  void drawRedFilter(float left, float top, float right, float bottom);

  // ---- Vertex buffers (primitives.cpp, texture_triangles.cpp) ----
  // Appends a triangle with explicit colours; false (with a message) when
  // the buffer has no room for it.
  bool addColorTriangle(const float positions[3][2], const float colors[3][4]);
  // Appends one position while the buffer has room.
  void addVertex(float x, float y);
  // Draws the held positions with the tessellator's primitive mode and
  // empties the buffer.
  void flushVertices();
  // x shifted one turn across the seam of a horizontally wrapping
  // projection: towards the other side of the viewport's centre line.
  float shiftAcrossProjectionSeam(float x) const;
  // Appends a textured triangle (texture coordinates 0 to 1). Without grey
  // levels no colours are written; with them each vertex is grey / 255
  // times the colour's RGB (white when there is none) with its alpha.
  // False (with a message) when the buffer has no room.
  bool addTextureTriangle(const float positions[3][2], const float texCoords[3][2],
                          const std::uint8_t* grey, const float* color);
  // Draws the held triangles with one texture (GL only) and empties the
  // buffer; `color` (none: white) is used unless the flags ask for the
  // vertices' own colours.
  void flushTextureTriangles(unsigned texture, const float* color, std::uint32_t flags);
  void flushTextureTrianglesStyled(const TextureStyle& style);
  // The held positions once more, untextured, in the frame's sky colour
  // added on top (the daylight wash); empties the buffer.
  void flushTrianglesAdditiveColor();
  // A square sprite of half-size r about (x, y) from a cell (pixels) of
  // an atlas, as two triangles with the colour at every vertex.
  void addSpriteQuad(const TextureData& atlas, const GRect& cell, const float color[4], float x,
                     float y, float r);
  // The held triangles untextured in the current colour, opaque (a filled
  // path in the 2-D back end); empties the buffer.
  void flushTrianglesFilled();
  void beginTextureTriangles(TextureStyle* style, const TextureData& texture);
  void clearTextureTriangles();
  // Appends the triangle of three sky vertices (texture coordinates in
  // texels), split in two where it straddles the seam of a wrapping
  // projection; false when it does not touch the viewport.
  bool addStyledTextureTriangle(const TextureStyle& style, const TextureVertex& a,
                                const TextureVertex& b, const TextureVertex& c);
  bool isTextureTriangleVisible(const TextureVertex& a, const TextureVertex& b,
                                const TextureVertex& c) const;
  // True when all three lie behind the observer and p, q fall on the other
  // side of the viewport's centre line from r.
  bool crossesProjectionSeam(const TextureVertex& p, const TextureVertex& q,
                             const TextureVertex& r) const;
  // Both screen triangles start as a, b, c; where the triangle straddles
  // the seam the first has its lone vertex and the second its pair moved
  // one turn across. True when it was split (projections 4, 5 and 9 only).
  bool splitTriangleAtSeam(const TextureVertex& a, const TextureVertex& b,
                           const TextureVertex& c, float out[2][3][2]) const;

  // ---- Chart textures (texture_triangles.cpp) ----
  // The image uploaded (GImageToGLTexture) with its size; name 0 when the
  // upload failed.
  void makeTextureFromImage(TextureData* texture, const GImage* image);
  // Reads, prepares (prepareTextureImage) and uploads an image file; false,
  // with the record cleared, when any step fails.
  bool loadTextureFile(TextureData* texture, const char* path);
  // An image as the chart uploads it: grey (0.3 R + 0.6 G + 0.1 B) under a
  // colour filter, scaled down to the texture size limit (each side at
  // least 1). Takes the image and returns the one to use.
  GImage* prepareTextureImage(GImage* image);
  static bool isTextureLoaded(const TextureData* texture);
  // Deletes the texture while the GL resources are live; zeroes the record.
  void releaseTexture(TextureData* texture);

  // ---- Grids and reference lines (grid_lines.cpp) ----
  void drawGridAndReferenceLines();
  void drawCoordinateGrid(int system);
  // The great circle of latitude 0 of the system (system 2: the horizon
  // altitude, refracted) with its name at a viewport-edge crossing.
  void drawReferenceLine(int system);
  void drawPoleMarkers(int system);
  void drawEquinoxMarkers();
  // The local meridian from horizon to horizon over the zenith, named,
  // with altitude ticks when asked.
  void drawMeridian();
  // The eight compass points on the horizon.
  void drawCompassPoints();
  static void gridColor(int system, float rgb[3]);
  // Places `text` where the segment from the previous to the current
  // screen point crosses the viewport edge; true when a label was drawn.
  bool labelAtViewportEdge(const char* text, bool prevVisible, bool curVisible, double prevX,
                           double prevY, double curX, double curY);
  // The grid's texts through the translation table (again after a
  // change of language).
  void translateGridTexts();
  char gridTexts[17][64] = {};
  float gridLabelSize = 12.0f;       // points
  float referenceLabelSize = 12.0f;  // points

  // ---- Sky background and glare (sky_background.cpp, glare.cpp) ----
  // The frame's first step: daylight, the eclipse, the sky colour filling
  // the viewport, and the magnitude limits of the frame, dimmed by day.
  void drawSkyBackground();
  // Whether a direction lies below the opaque horizon (only on the horizon
  // chart with a panorama or plain ground shown).
  bool isBelowHorizon(const double v[3]) const;
  // True without a home body, or on one with air, while near its ground.
  bool isInsideAtmosphere() const;
  // The daylit sky of a planet (none: the Earth); black without air.
  void getDaylightSkyColor(const CSkyObject* planet, float rgb[3]) const;
  // The horizon glow of a body (none: the Earth), reddened by daylight;
  // false, with black, for a body without air.
  bool getAtmosphereGlowColor(const CSkyObject* body, float rgb[3]) const;
  // Glare of an object of `magnitude`: returns its disc size and gives its
  // screen radius (pixels, at most the size of 15 degrees) when asked.
  float getGlareSize(float* glareRadius, double magnitude) const;
  // Outer radius of the Sun's glare about its disc of `radius` pixels: a
  // wide daylight glare on the Earth's horizon chart, else its glare size.
  float getSunGlareRadius(float radius, double magnitude) const;
  // A glare ring from `inner` to `outer` pixels about (x, y), brightest at
  // the inner edge; overlapping glares keep the brighter light (GL only).
  void drawGlare(const float rgb[3], float x, float y, float inner, float outer);
  // The horizon on its sphere grid: the glow and the panorama photograph
  // ("HorizonStyle" 4) or the plain ground.
  void drawHorizonPanorama();
  // The frame's horizon steps on the horizon chart near the ground: the
  // plain ground behind the sky ("HorizonStyle" 2), and in front of it the
  // panorama or ground, the horizon line and compass points (with a camera
  // picture a black ground and the line alone).
  void drawHorizonBehind();
  void drawHorizonInFront(bool cameraFrame);
  // The panorama and glare textures (the panorama loads again).
  void releaseHorizonTextures();
  // The camera overlay's fade over the viewport, `columns` x `rows` points
  // (each 1 to 8192): 0 below the horizon, rising to 1 over the first 0.1
  // of the sine of the altitude. Replaces the previous grid; false, with
  // no grid, for sizes outside those bounds or short memory.
  bool buildHorizonFadeGrid(int columns, int rows);
  void freeHorizonFadeGrid();
  // The fade at a point in grid units (clamped to the grid), bilinear; 0
  // without a grid.
  float horizonFadeAt(float x, float y) const;
  // Opacity 0..255 of a camera pixel (components 0..255) at a point in grid
  // units: opaque below the horizon, more transparent where it looks like
  // sky, as "cameraOpacity" asks.
  float cameraPixelAlpha(float x, float y, float red, float green, float blue) const;

  // ---- Milky Way (milky_way.cpp) ----
  // The frame's step: the outline ("MilkyWayStyle" 1) or the picture of
  // the style (2 to 12), unless the particle galaxy alone shows from
  // 2000 parsecs.
  void drawMilkyWay();
  void drawMilkyWayOutline();
  // GL only; a style without a picture, or a picture that cannot be read,
  // draws nothing.
  void drawMilkyWayImage();
  void releaseMilkyWayTexture();
  // The particle Galaxy beyond 1000 parsecs (galaxy_model.cpp): built on
  // first use (returns the particle count), drawn far to near.
  int buildGalaxyModel();
  void addSpiralArmParticles(int count, std::uint32_t kind, double startAngle, double sweep,
                             double innerRadius, double outerRadius, double width, double taper,
                             double largest, double smallest);
  void addEllipsoidParticles(int count, const double axisScales[3], const double centre[3],
                             std::uint32_t kind, double radius, double tilt1, double tilt2,
                             double largest, double smallest);
  void drawGalaxyModel();
  void freeGalaxyModel();
  // The galaxy's atlas of 14 soft discs and its sprites (GL only).
  void buildGalaxySprites();
  void beginGalaxySprites();
  void addGalaxySprite(const float rgba[4], float r, float x, float y);
  void endGalaxySprites();
  void releaseGalaxyTexture();
  static constexpr int kGalaxySpriteCells = 14;
  std::unique_ptr<GalaxyModel> galaxyModel;
  TextureData galaxySprites = {};
  GRect galaxySpriteRects[kGalaxySpriteCells] = {};
  float galaxySpriteRadii[kGalaxySpriteCells] = {};
  float milkyWayColor[3] = {0.4f, 0.45f, 0.6f};  // the outline's
  char milkyWayImagePath[512] = {};  // the picture last asked for
  TextureData milkyWayTexture = {};
  MeshGrid* milkyWayMesh = nullptr;  // the picture's sphere, J2000

  // ---- Constellations (constellations.cpp, constellation_images.cpp) ----
  // Reads the illustration index once (later calls keep it): a plate and
  // mesh per picture from the catalogue's reference stars. False when the
  // file cannot be opened.
  bool loadConstellationImageIndex(const char* path, CSkyDatabase* catalogue);
  // The layer: illustrations, figures, boundaries and names, the selected
  // constellation's area and marker; then the asterisms.
  void drawConstellations();
  void drawAsterisms();
  void drawConstellationFigure(CConstellation* constellation, const float lineRGB[3],
                               const float boundaryRGB[3]);
  // Set 0 the standard figure, 1 the alternative one (the standard where
  // it has none).
  void drawConstellationLines(CConstellation* constellation, int set);
  void drawConstellationBoundary(CConstellation* constellation);
  void fillConstellationBoundary(CConstellation* constellation);
  void drawAsterism(int i);  // 0..23
  // Illustrations: record i of the index; a picture several constellations
  // share counts as visible when any of them is, and fades by the nearest.
  void drawConstellationImages();
  bool isConstellationImageVisible(int i);
  double constellationImageFade(int i);
  void drawConstellationImage(int i);
  void releaseConstellationImageTextures();
  // The constellation containing the point, when it passes the search
  // filter: (file 5, the root region, number - 1).
  bool findConstellationAt(const float point[2], SkyObjectID* hit);
  float chartLabelTextHeight = 14.0f;  // points: constellation, asterism and body names
  std::unique_ptr<ConstellationImageTable> constellationImages;  // loaded once

  // ---- Text atlases (text_atlas.cpp) ----
  CTextAtlas* getTextAtlas();
  CTextAtlas* getGlyphAtlas();
  CTextAtlas* createTextAtlas(const char* name);
  CTextAtlas* createGlyphAtlas(const char* name);
  float drawTextString(const char* text, int count, float x, float y);
  float drawGlyphString(const std::uint16_t* glyphs, int count, float x, float y);
  // Width of `length` characters (0: up to the terminator) in the text
  // atlas; 0 without one.
  float getTextWidth(const char* text, int length);
  void releaseTextAtlases();

  // ---- Labels (labels.cpp) ----
  void clearLabelRects();
  bool isLabelRectFree(float x, float y, float halfWidth, float halfHeight) const;
  void setFontNames(const char* regular, const char* bold, const char* italic);
  void selectFont(int style);
  void setTextHeight(float points);
  // Alignment -1 ends at x, 0 centres on x, 1 starts at x; y is the
  // baseline. 1 when drawn, 0 when refused by an earlier label (or, while
  // labelsInsideViewport is set, by the viewport's edges).
  int drawLabel(const char* text, int alignment, bool check, float x, float y);
  // Labels round an object's point (x, y): refused where the ground will
  // hide the object or the label and where the label would stand nearer
  // another object than its own; drawLabelNear takes a place the
  // viewport's edge cuts only when every place round the point crosses
  // it. The point is kept as a labelled object for later labels.
  int drawLabelAt(const char* text, int position, float x, float y, float r);
  int drawLabelNear(const char* text, int first, int step, float x, float y, float r);
  // Keeps an object's place and figure radius (pixels) before or without
  // its label, so that other labels do not settle nearer it than their
  // own objects.
  void addLabelAnchor(float x, float y, float radius);

  // ---- Layer settings the reader needs (magnitude_limits.cpp) ----
  void setStarMagnitudeLimit(float limit);
  void setDeepSkyMagnitudeLimit(float limit);
  void updateDeepSkyMagnitudeLimit();
  void setPlanetMagnitudeLimit(float limit);
  // The planet limit in force for the frame is the stored one.
  void updatePlanetMagnitudeLimit();
  void setHorizonImage(const char* name);

  // ---- Stars (star_sprites.cpp, star_layer.cpp, star_labels.cpp,
  // star_hits.cpp, region_culling.cpp) ----
  // The star limit at the current field from its base; once a frame.
  void updateStarMagnitudeLimit();
  // How far the limit lies below 6.5 (0 above it): stars brighter than
  // this get a glare disc.
  float getMagnitudeLimitExcess() const;
  // A star's colour at "StarColorIntensity", as bytes and as 0..1.
  void starColorBytes(std::uint8_t rgb[3], float colorIndex) const;
  void starColor(float rgb[3], float colorIndex) const;
  // Peak level, sprite radius and disc radius (pixels) of a star
  // `brightness` magnitudes above the limit; `discRadius` may be null.
  void starSpriteSize(float* peak, float* radius, float* discRadius, float brightness) const;
  // The atlas of 14 star images (GL only), rebuilt after a scale change
  // or a GL reset; an atlas that cannot be made is tried again next frame.
  void buildStarSprites();
  void releaseStarSprites();
  // Bracket star-like points: additive sprites from the atlas.
  void beginStarSprites();
  void endStarSprites();
  // One sprite at a screen point; returns its disc radius.
  float addStarSprite(const float rgb[3], float magnitude, float x, float y);
  float addStarSpriteForColorIndex(float magnitude, float x, float y, float colorIndex);
  // The magnitude drawn with the sprite halfway up the atlas's brightness
  // steps, whatever the limit: the ground view's satellites.
  float middleSpriteMagnitude() const;
  // Sprite, and glare for the brightest; returns the radius labels keep
  // clear of.
  float drawStar(CStar* star, float x, float y);
  // The layer: the star, Tycho and guide-star files, then the near stars.
  void drawStars();
  // A region (null: the file's root) and its visible subtree.
  void drawStarRegion(int file, CSkyDataRegion* region);
  void drawNearStars();
  void drawStarLabel(CStar* star, bool selected, float x, float y, float radius);
  // Keeps a walked star's label for drawHeldStarLabels (drawn at once when
  // no room is left).
  void holdStarLabel(CStar* star, float x, float y, float radius, float magnitude);
  void drawHeldStarLabels();
  bool drawBinaryStarOrbit(CBinaryStar* binary);
  // Culling: a region whose objects cannot show in the viewport at the
  // current limits; the stars file is a space tree, the others sky trees.
  bool isRegionHidden(int file, CSkyDataRegion* region);
  bool isSkyRegionHidden(int file, CSkyDataRegion* region);
  bool isSpaceRegionHidden(CSkyDataRegion* region);
  // Stars drawn within the marker size of the point, appended to `hits`;
  // returns how many were written (at most `maximum`).
  int findStarsAt(GPoint point, int file, CSkyDataRegion* region, SkyObjectID* hits,
                  int maximum);
  // Frees the objects of hidden regions (not the selected or home
  // object's region) of the subtree; and of every catalogue file.
  void unloadInvisibleRegions(int file, CSkyDataRegion* region);
  void unloadInvisibleCatalogRegions();

  // ---- Deep sky (deep_sky_layer.cpp, deep_sky_hits.cpp,
  // deep_sky_image_draw.cpp) ----
  void drawDeepSkyObjects();
  void drawDeepSkyRegion(int file, CSkyDataRegion* region);
  // The type switches, the magnitude limit and the catalogue rule.
  bool isDeepSkyObjectShown(const CDeepSkyObject* object) const;
  // Screen centre and radius (pixels); false when it does not show near
  // the viewport.
  bool getDeepSkyScreenGeometry(CDeepSkyObject* object, float* x, float* y, float* radius);
  void drawDeepSkySymbol(CDeepSkyObject* object, float x, float y, float radius);
  void drawDeepSkyContour(const CDeepSkyContour* contour, bool fill);
  void drawDeepSkyLabel(CDeepSkyObject* object, bool selected, float x, float y, float radius);
  int findDeepSkyObjectsAt(GPoint point, int file, CSkyDataRegion* region, SkyObjectID* hits,
                           int maximum);
  bool deepSkyObjectContainsPoint(GPoint point, const CDeepSkyObject* object, float x, float y,
                                  float radius);
  // Even-odd test of the point against the contour's outline on the screen.
  bool contourContainsPoint(GPoint point, const CDeepSkyContour* contour) const;
  // Reads the photographs' index once (later calls: true); false when the
  // file cannot be opened. `folder` (may be null) prefixes the file names.
  bool loadDeepSkyImageIndex(const char* path, const char* folder);
  void drawDeepSkyImages();
  bool isDeepSkyImageVisible(const DeepSkyImage& image, TextureVertex vertices[4]) const;
  void drawDeepSkyImage(const DeepSkyImage& image, const TextureVertex vertices[4]);
  void releaseDeepSkyImageTextures();

  // ---- Settings helpers (chart_settings.cpp) ----
  void readUserLocations(const CSettings* tree);
  void writeUserLocations(CSettings* tree);

  // ---- Highlights and overlays (highlights.cpp) ----
  void setHighlightedObjects(const SkyObjectID* ids, int count);
  void clearHighlightedObjects();
  bool isHighlighted(std::uint16_t file, std::uint32_t region, std::uint16_t index) const;
  void highlightSatellites(bool on, int maximum);
  void drawHighlightedObjects(int pass);
  void drawSelectedObjectPointer(CSkyObject* object);
  void drawObjectMarker(CSkyObject* object, const char* text, float x, float y, float r);
  void drawCameraImage();
  // The uploaded camera frame over the viewport, its own alpha blended.
  void drawCameraPicture(unsigned texture, float width, float height);

  // ---- Solar system: draw list and visibility (solar_list.cpp) ----
  // Magnified radius in AU: the body's diameter over 2 AU times
  // getMagnification; outside the space view the Sun, and the Moon, never
  // under 12 points on the screen.
  double getObjectRadius(const CSkyObject* object) const override;
  // "PlanetMagnification" for planets (not the Sun), "MoonMagnification"
  // for moons, 1 otherwise.
  double getMagnification(const CSkyObject* object) const;
  // Distance from the observer to the tangent points of the body's limb; 0
  // with the observer inside.
  double limbDistance(CSkyObject* object);
  // Whether the solar system as a whole is on the screen (else the list
  // holds only the Sun and the selected object).
  bool isSolarSystemInView();
  // Rebuilds the draw list: every drawable object of the solar-system
  // file's root region, or only the Sun, with their orbit records, sorted
  // far to near (objects without a finite distance last).
  void buildSolarSystemDrawList(bool allObjects);
  bool isAsteroidTooFaint(CPlanet* asteroid) const;
  // Whether the body's type option (or, for a satellite, its categories)
  // keeps it off the chart; the highlights honour it too.
  bool isHiddenByTypeOption(const CPlanet* body) const;
  bool isInsideParentGlobe(CPlanet* object);
  bool isMoonDistinct(CPlanet* moon);
  bool isHiddenBehindParent(CPlanet* object);
  // Loads a downloaded solar-system file in place of the installed one,
  // between frames, whatever the perspective: fills the counts (the
  // downloaded bytes are left as given), re-resolves the selected, the
  // previously selected, the home and the highlighted objects in it (one
  // that is gone gives way to the Earth, or leaves the highlights), and
  // asks for a redraw. The old file is retired until the next frame
  // releases its bodies' drawing data. False, with the installed file and
  // everything that refers to it unchanged, when the file does not load.
  bool updateSolarSystemData(const char* path, UpdateResults* results);
  void reresolveSolarSystemReferences();
  // Frees the retired solar-system files and their bodies' drawing data
  // (the start of each frame, and the chart's end).
  void releaseRetiredSolarSystemFiles();
  void releaseSolarSystemRenderData(CSkyDataFile* file);
  void releaseObjectRenderData(CSkyObject* object);
  // The body's map textures and tiles (its other data stays).
  void releaseObjectTextures(CSkyObject* object);
  // Its sphere and ring meshes.
  void releaseObjectMeshes(CSkyObject* object);

  // ---- Solar system: surface maps (planet_textures.cpp) ----
  // The body's map name: its first name ("Hyperion" for asteroids), with
  // "-Surface" for Venus, the Earth and Titan without atmospheres,
  // "-Night" for the Earth's night map, Mars' style.
  bool textureBaseName(const CSkyObject* object, bool night, char* out, std::size_t size) const;
  // Largest indexed level of the body's single-file (tiled) maps, or -1;
  // cached in its drawing block.
  int bestTextureLevel(CSkyObject* object);
  int bestTiledTextureLevel(CSkyObject* object);
  // The body's map of that level (or tile) when held; else a held lower
  // level while the loader decodes the asked one, or the file read at once
  // when the body holds none. Null when nothing can be shown.
  TextureTile* requestPlanetTexture(CSkyObject* object, std::uint32_t level, bool tiled,
                                    std::uint32_t row, std::uint32_t column, bool night);
  // The levels a globe of the body needs on the screen now: the single
  // map's (the best indexed, at most what the screen resolves and what the
  // GL takes, at least 64; -1 without maps) and, when the screen resolves
  // more than that and tiles exist, the tiled level.
  struct TextureLevels {
    int single;
    int tiled;
    bool useTiles;
  };
  TextureLevels chooseTextureLevels(CSkyObject* object);

  // ---- Solar system: the layer and flat globes (solar_draw.cpp) ----
  // The frame's solar-system layer: installs a downloaded file, rebuilds
  // the list when the view or data changed, draws far to near.
  void drawSolarSystemObjects();
  // One body at its screen point with its screen radius: a point when
  // under 8 points, else its globe.
  void drawSolarSystemObject(CSkyObject* object, float x, float y, float r);
  void getSolarSystemObjectColor(const CSkyObject* object, float rgb[3]) const;
  // The limb on the body's ellipsoid, filled or stroked.
  void drawLimb(CSkyObject* object, const float rgb[3], bool filled);
  // The unlit part of the disc, translucent black.
  void drawDarkSide(CSkyObject* object);
  // A body too small for a disc, or a star-like mark: in GL a star sprite
  // of the magnitude, held in the sprite batch until `endStarSprites`
  // (the layer builds the atlas first); the 2-D back end, which draws no
  // sprites, draws a disc sized by the magnitude. An unknown magnitude
  // draws the faintest.
  void drawSolarSystemPoint(CPlanet* body, float x, float y, double magnitude);
  void drawPointForMagnitude(const float rgb[3], float x, float y, double magnitude);
  // The body's name, or the selection's marker; a highlighted body is
  // named by the highlights instead.
  void drawSolarSystemLabel(CPlanet* body, bool highlighted, float x, float y, float r);
  // Where and how large a body of the draw list is drawn this frame, by
  // the layer's visibility rules (the hit test uses the same).
  SolarPlacement placeSolarSystemObject(CPlanet* body, SolarPlace* place);
  // The Earth under the observer's feet, or the home body seen from its
  // ground: not drawn.
  bool isLeftOutNearGround(const PlanetDistance& record, const CPlanet* body) const;
  // The body's drawing block, made when missing; null when memory is
  // short or the object is not a body.
  ObjectRenderData* attachRenderData(CSkyObject* object);
  static ObjectRenderData* getRenderData(const CSkyObject* object);
  void releaseTabulatedPaths(CSkyDataFile* file);

  // ---- Solar system: textured globes (solar_globe.cpp) ----
  // The body's lit sphere mesh of `segments` segments in its drawing block:
  // unit sky directions, the visible flag on the side facing the observer
  // and the sunlit brightness (with phases off, or light from a planet or
  // the Moon, an ambient floor).
  bool createObjectMesh(CSkyObject* object, int segments);
  void releaseObjectMesh(CSkyObject* object);
  // The mesh is rebuilt when missing or of another segment count.
  bool ensureObjectMesh(CSkyObject* object, int segments);
  // The globe with its surface map (tiles where the screen resolves more),
  // the Earth's city lights, overlays and halo (GL only); false when no
  // map could be shown and the flat globe is to be drawn.
  bool drawTexturedGlobe(CSkyObject* object);
  bool drawGlobeMap(CSkyObject* object, const TextureStyle& base, const GlobeMapPart& part);
  // Held maps of another name (style or option changed), and one tile.
  void releaseStaleGlobeMaps(CSkyObject* object);
  void releaseGlobeTile(CSkyObject* object, std::uint32_t level, std::uint32_t row,
                        std::uint32_t column);
  // 0 at night to 1 in full daylight (moons lose their planetshine, globes
  // get the sky colour over them).
  double daylightFactor() const;

  // ---- Solar system: grids, axes, halos and rings (solar_overlays.cpp,
  // solar_rings.cpp) ----
  void drawPlanetGrid(CSkyObject* object, float r);
  // Far ends (nearPass false, before the globe) or near ends of the axis.
  void drawPlanetAxis(CSkyObject* object, bool nearPass);
  // The Sun's glare ring about its disc of radius r (GL only).
  void drawSunGlare(CSkyObject* body, float x, float y, float r, double magnitude);
  // The glare gradient of tails and rims, made when missing.
  const TextureData& solarGlareTexture();
  // The glowing rim between the limb and `scale` times it (GL only).
  void drawAtmosphereHalo(CSkyObject* object, const float rgb[3], double scale);
  // Saturn's or Uranus' rings behind the globe (nearPass false) or in front
  // of it, with the planet's shadow; false when the ring map is missing.
  bool drawRings(CSkyObject* object, bool nearPass);
  void drawRingShadow(CSkyObject* object, bool nearPass);
  // One side (+1 or -1 about the Sun's direction) of the shadow on the
  // annulus between radii a and b (AU), the axis at longitude `axis` in the
  // ring plane with the Sun `beta` above it.
  void drawRingShadowPiece(CPlanet* body, int side, double a, double b, double axis, double beta);

  // ---- Solar system: shadows and eclipses (solar_shadows.cpp) ----
  struct ShadowCone {
    double direction[3];  // of the shadow's centre from the observer
    double distance;      // AU
    double umbra;         // angular radii at the receiver (radians)
    double penumbra;
  };
  // Whether the receiver lies beyond the caster from the Sun; false, with
  // nothing written, when the observer stands inside the penumbra.
  bool computeShadowCone(CPlanet* caster, CPlanet* receiver, ShadowCone* cone);
  void drawMoonEclipse(CPlanet* caster, CPlanet* receiver, float x, float y, float r);
  void drawMoonShadowOnPlanet(CPlanet* moon, CPlanet* planet, float x, float y, float r);
  void drawShadowOnGlobe(CPlanet* moon, CPlanet* planet);
  void drawEarthMoonShadowCircles(bool earthShadow);
  // Length of the moon's umbra behind it (AU), 0 when not finite.
  double umbraLength(CPlanet* moon) const;

  // ---- Solar system: comet tails (comet_tail.cpp) ----
  bool drawCometTail(CPlanet* comet);

  // ---- Solar system: surface features (surface_features.cpp) ----
  // The body's feature indices, looked up once into its drawing block;
  // the count (0 none).
  int getFeatureIndices(CPlanet* body);
  bool drawSurfaceFeatures(CPlanet* body, float r);
  void drawFeatureOutline(CSkyObject* feature);
  int findSurfaceFeaturesAt(CPlanet* body, GPoint point, SkyObjectID* hits, int room);

  // ---- Solar system: 3-D models (solar_models.cpp) ----
  CModel3D* loadObjectModel(CSkyObject* object);
  void releaseObjectModel(CSkyObject* object);
  CModel3D* getObjectModel(CSkyObject* object);
  void drawObjectModel(CSkyObject* object);

  // ---- Solar system: hit testing (solar_hits.cpp) ----
  // Bodies under the point, nearest first, then satellites by their
  // direction from the Earth; on a large selected globe its features.
  int findSolarSystemObjectsAt(GPoint point, SkyObjectID* hits, int maximum);
  // Whether `tap` lies closer to `point` than the tap radius plus `radius`.
  bool isNearPoint(GPoint point, float radius, GPoint tap) const;

  // ---- Ground view (ground_view.cpp, ground_overlays.cpp) ----
  // The ground-view frame: the Earth with the selected satellite, its
  // track, the other satellites and the observer; nothing without a
  // selected solar-system body.
  void drawEarthView();
  // Keeps the ground view over the selected satellite (follow option).
  void followSelectedSatellite();
  // Satellites other than the selected one drawn near the point; returns
  // how many references were written (at most `maximum`).
  int findSatellitesNear(GPoint point, SkyObjectID* results, int maximum);
  // The borders of every shown country, on the planet's globe.
  void drawCountryBorders(CPlanet* planet);
  void drawCountryBorder(CPlanet* planet, int country);
  // The satellite's horizon circle and, for categories 80-83, its
  // slant-range circles.
  void drawSatelliteFootprint(CPlanet* earth, CSatellite* satellite, const float color[3]);
  // The circle of points `angle` radians from the Earth-fixed unit vector
  // `centre`, 73 points 5 degrees apart.
  void drawFootprintCircle(CPlanet* earth, const double centre[3], double angle,
                           const float color[3]);
  void drawGroundCircles(CPlanet* earth);
  // The map's polar caps above 85 degrees (equirectangular projection).
  void drawEarthPolarBands(CPlanet* earth);
  // A plus sign and `text` at the longitude and latitude (radians) of the
  // planet's surface.
  void drawYouAreHere(CPlanet* planet, const char* text, double longitude, double latitude);
  // The Earth's overlays on its globe: ground track, country borders,
  // footprint, ground circles and "You Are Here".
  void drawEarthOverlays(CPlanet* earth);
  void releaseGroundTargets();
  // Inserts a copy at 0 .. count; false for a bad index or no memory.
  bool insertGroundCircle(int index, const Circle& circle);
  // 1, or 0 for a bad index.
  int deleteGroundCircle(int index);
  // The "ShowCountryBorder" values of a settings tree.
  void readCountryBorderSettings(const CSettings* tree);
  void writeCountryBorderSettings(CSettings* tree);

  // ---- Orbits and paths (orbit_paths.cpp, object_paths.cpp) ----
  // The object's orbit points for the chart time; false without a drawing
  // block, elements or memory.
  bool computeOrbitPoints(CPlanet* object);
  // The stretches of the orbit farther than the parent (side +1) or nearer
  // (side -1).
  void drawOrbitTrack(CPlanet* object, int side);
  void drawTabulatedPath(CPlanet* object);
  // Fills the gap between table rows lo and hi (screen points a and b)
  // with interpolated points every 10 pixels.
  void drawTabulatedSegment(CPlanet* object, int lo, int hi, GPoint a, GPoint b);
  void drawOrbitMarkers(CPlanet* object);
  void clearObjectPaths();
  void setTimeFlowStep(double days);
  // The object's path across the sky around the chart time (time-flow
  // mode: the last 365 steps up to it); the chart's clock is restored.
  bool computeObjectPath(CSkyObject* object, SkyObjectPath* path, bool timeFlow);
  bool appendPathPoint(CSkyObject* object, SkyObjectPath* path, int system);
  void drawObjectPath(CSkyObject* object, SkyObjectPath* path, bool labels);

  // ================= Fields =================

  // Back end.
  cg::Context* cgContext = nullptr;  // not owned; set for one 2-D draw
  bool markerVisible = true;         // set by the chart screen
  float contentScale = 1.0f;         // screen pixels per point

  // Files.
  char imageDirectory[256] = {};

  // Earth view (the ground view's layer uses these).
  bool earthView = false;
  GroundTarget* groundTargets = nullptr;
  int groundTargetCount = 0;
  Circle* groundCircles = nullptr;  // malloc'ed
  int groundCircleCount = 0;
  bool showCountryBorder[256] = {};
  // Days between the points of the selected object's time-flow path.
  double timeFlowStep = 1.0;
  // Meteors of a selected meteor shower (meteors.h).
  Meteor* meteors[kMaxMeteors] = {};
  int meteorCount = 0;
  // The observer's "You Are Here" mark on the Earth, and the satellites'
  // visibility circles there (-1 until the settings model sets 0 or 1).
  bool showUserLocationMarker = false;
  int satelliteVisibilityCircles = -1;

  // Markers.
  float markerSize = 16.0f;  // 16 x content scale

  // Selection.
  SkyObjectID previousSelectedObjectID;
  SkyObjectID selectedObjectID;
  CSkyObject* selectedObject = nullptr;  // deleted by the chart unless region-owned
  SkyObjectPath selectedObjectPath;

  // Locks.
  bool centerOnSelected = false;
  bool showSelectionMarker = true;
  bool pointerPending = false;
  bool centerOnHome = false;
  bool manualPan = false;
  float selectionScreenPosition[3] = {-1, -1, -1};  // x, y, radius of the last marker

  // Highlights.
  SkyObjectPath* highlights = nullptr;  // calloc'ed list
  int highlightCount = 0;
  // The list's (file, region, index) keys: a frame asks for every drawn
  // body, and the application highlights up to 10,000 satellites.
  std::unordered_set<std::uint64_t> highlightKeys;
  bool showHighlightedObjectCircles = true;
  bool showHighlightedObjectLabels = true;
  bool showHighlightedObjectOrbits = false;
  bool showHighlightedObjectPaths = false;
  float highlightColor[3] = {0, 1, 1};
  bool drawAllHighlights = true;
  bool recomputeHighlightPaths = false;
  float starLabelTextHeight = 14.0f;  // points

  // Labels.
  LabelPosition* labelRects = nullptr;  // kLabelRectCapacity entries
  int labelRectCount = 0;
  // Set while the viewport is a part of the surface (a stereo half): a
  // label placed across its edge would be cut there.
  bool labelsInsideViewport = false;
  LabelAnchor labelAnchors[kLabelAnchorCapacity] = {};
  int labelAnchorCount = 0;
  // From the frame's start until the horizon is drawn in front: the ground
  // will cover what lies below the horizon.
  bool groundHidesLabels = false;

  // Frame.
  bool updateNeeded = true;
  int colorFilterMode = 0;
  bool glResourcesLive = false;
  bool glResetPending = true;
  int maxTextureSize = 4096;

  // Pen, colour and buffers of the primitives.
  float currentColor[4] = {1, 1, 1, 1};
  float skyColor[3] = {0, 0, 0};  // the frame's background colour
  float lineWidth = 1.0f;  // points
  bool smoothLines = false;
  double lastMoveTo[3] = {};
  bool lastMoveVisible = false;
  GPoint pen;
  int vertexCount = 0;
  int polygonCount = 0;
  float* vertexBuffer = nullptr;    // kChartVertexCapacity x 2
  float* texCoordBuffer = nullptr;  // kChartVertexCapacity x 2
  double* polygonBuffer = nullptr;  // kChartPolygonCapacity x 3
  std::unique_ptr<ChartTessellator> tessellator;  // made on the first fill
  float* colorBuffer = nullptr;     // kChartVertexCapacity x 4
  unsigned primitiveMode = 0;

  // Place and sky options.
  bool showHorizon = true;
  int horizonStyle = 4;
  char horizonTexture[256] = {};
  bool horizonImageChanged = false;
  bool showHorizonGlow = true;
  bool showHorizonCardinalPoints = true;
  bool showHorizonLine = false;  // the chart screen's horizon-line flag
  double horizonAltitude = 0;    // radians
  bool showDaylight = false;
  float daylightSkyRGB[3] = {0.75f, 1, 1};

  // Sky of the frame (sky_background.cpp): the Sun's altitude (degrees),
  // the daylight (0..1, dims the limits) and the Moon's cover of the Sun.
  float sunAltitude = 0;
  float skyBrightness = 0;
  float eclipseFactor = 0;
  float groundColor[3] = {0.16f, 0.2f, 0.12f};  // the plain ground
  TextureData horizonPanorama = {};  // the panorama photograph
  TextureData glareTexture = {};  // 256 x 1 radial gradient
  std::unique_ptr<HorizonGrid> horizonGrid;  // made on the first horizon drawn
  // The camera overlay: the user's opacity of the picture (0..1) and the
  // fade grid (rows of columns, allocMatrix).
  float cameraOpacity = 0.5f;
  float** horizonFade = nullptr;
  int horizonFadeColumns = 0;
  int horizonFadeRows = 0;

  // Solar system.
  bool showPlanets = true;
  bool showPlanetNames = true;
  bool showPlanetSurfaces = true;
  bool showPlanetAtmospheres = true;
  float showPlanetPhases = 1.0f;
  bool showPlanetGrids = false;
  bool showPlanetAxes = false;
  bool showPlanetSurfaceFeatures = false;
  bool showMinorMoons = false;
  bool showEarthMoonShadowCircles = false;
  bool showAsteroids = false;
  bool showComets = false;
  bool showSatellites = false;
  bool showMinorPlanetNames = false;
  bool showPlanetOrbits = false;
  bool showMoonOrbits = false;
  bool showSelectedObjectPath = false;
  bool showSelectedObjectOrbit = false;
  bool showOrbitPeriNodeMarkers = false;
  float planetMagLimit = 20.0f;       // stored
  float planetMagLimitInUse = 20.0f;  // in force for the frame
  double planetMagnification = 1.0;
  double moonMagnification = 1.0;
  int marsStyle = 0;
  int earthStyle = 1;
  float planetNameRGB[3] = {1, 1, 1};
  bool satelliteCategories[256];  // all on
  bool showNakedEyeOnly = false;  // also limits stars
  PlanetDistance* planetDistances = nullptr;  // the draw list, calloc'ed
  int planetDistanceCount = 0;
  int planetDistanceCapacity = 0;
  // Replaced solar-system files whose bodies may still hold drawing
  // blocks: GL names are released in a frame, where the chart's context is
  // current, not where the update ends.
  std::vector<std::unique_ptr<CSkyDataFile>> retiredSolarSystemFiles;
  // The maximum of the highlighting of every satellite while it is on
  // (highlightSatellites), else 0: a new catalogue highlights its own.
  int satelliteHighlightMaximum = 0;
  // Limb outlines and planet grids; the sky behind a transit.
  float gridRGB[3] = {0.5f, 0.5f, 0.5f};
  float skyRGB[3] = {0, 0, 0};

  // Stars.
  bool showStars = true;
  bool showStarNames = true;
  bool showStarProperNames = true;
  bool showStarBayerLetters = true;
  float starColorIntensity = 192 / 255.0f;
  float starMagLimit = 6.0f;
  float baseStarMagLimit = 6.0f;
  double starScale = 1.0;
  bool starSpritesChanged = true;  // the sprite atlas must be rebuilt
  double starNameDensity = 0.1;
  bool showDoubleStars = false;
  float starNameRGB[3] = {1, 1, 1};

  // Deep sky.
  bool showDeepSkyObjects = true;
  bool showDeepSkyImages = true;
  bool showDeepSkyProperNames = true;
  bool showOpenClusters = true;
  bool showGlobularClusters = true;
  bool showBrightNebulae = true;
  bool showPlanetaryNebulae = true;
  bool showGalaxyGroups[3] = {true, true, true};  // types 16 and 19, 17, 18
  bool showMessierOnly = false;
  bool showDeepSkyAtWideFOV = false;
  bool showDeepSkyNames = false;
  bool showDarkNebulae = false;
  float deepSkyMagLimit = 9.0f;
  float baseDeepSkyMagLimit = 9.0f;
  double deepSkyNameDensity = 0.5;
  double deepSkyIntensity = 0.5;
  float deepSkyNameRGB[3] = {1, 1, 1};

  float deepSkyLabelMagLimit = 9.0f;    // per frame
  float deepSkyLabelTextHeight = 12.0f;  // points
  std::unique_ptr<DeepSkyImageTable> deepSkyImages;  // the photographs' index

  // Star layer state.
  float starLabelMagLimit = 6.0f;  // per frame
  TextureData starSprites = {};    // the atlas
  GRect starSpriteRects[14];       // atlas pixels
  float starSpriteSteps[14];       // brightness of each cell; +infinity unbuilt
  CStar* nearStars[10] = {};       // met during the frame's walk
  // Star labels of the frame's walk, placed brightest first once every
  // star's place is known.
  struct HeldStarLabel {
    CStar* star;
    float x, y, radius, magnitude;
  };
  HeldStarLabel heldStarLabels[kHeldStarLabelCapacity] = {};
  int heldStarLabelCount = 0;

  // Milky Way.
  bool showMilkyWay = true;
  bool milkyWayFades = true;
  bool milkyWayParticleGalaxy = true;
  int milkyWayStyle = 3;
  double milkyWayIntensity = 0.75;

  // Constellations and asterisms.
  bool showConstellations = true;
  bool showConstellationsModern = true;
  bool showConstellationsTraditional = false;
  bool showConstellationsMythical = false;
  bool showConstellationsBoundary = false;
  bool showConstellationNames = false;
  bool showConstellationAbbreviations = false;
  bool selectConstellations = false;
  bool zodiacConstellationsOnly = false;
  bool showAsterisms = false;
  bool showAsterismNames = false;
  double constellationIntensity = 0.5;
  float constellationLineRGB[3] = {0.5f, 0.5f, 0.5f};
  float constellationNameRGB[3] = {0.5f, 0.5f, 0.5f};
  float constellationImageRGB[3] = {0.5f, 0.5f, 0.5f};
  float constellationBoundaryRGB[3] = {0, 0.5f, 1};
  float asterismLineRGB[3] = {1, 0.5f, 0};
  float asterismNameRGB[3] = {1, 0.5f, 0};

  // Grid and reference lines.
  bool showGrid = false;
  bool showCoordGrid[5] = {false, true, false, false, false};  // by system 1-4
  bool showCelestialEquator = false;
  bool showCelestialEquatorTicks = false;
  bool showGalacticEquator = false;
  bool showEcliptic = false;
  bool showEclipticTicks = false;
  bool showMeridian = false;
  bool showMeridianTicks = false;
  bool showCelestialPoles = false;
  bool showGalacticPoles = false;
  bool showEclipticPoles = false;
  bool showEquinoxMarkers = false;
  bool showSolsticeMarkers = false;
  bool showZenith = true;

  // Meteor colour of the pointer (meteor showers).
  float meteorRGB[3] = {1, 1, 1};

  // Text.
  char regularFontName[64] = {};
  char boldFontName[64] = {};
  char italicFontName[64] = {};
  char fontName[64] = {};
  int fontStyle = 0;          // 0 regular, 1 bold, 2 italic
  float textHeight = 14.0f;   // pixels
  int atlasCount = 0;
  CTextAtlas* atlases[kMaxTextAtlases] = {};
  std::uint64_t atlasUseCounter = 0;
  // The text atlas of the last lookup, with the font and size it was for:
  // labels measure every text several times a frame.
  CTextAtlas* lastTextAtlas = nullptr;
  int lastTextAtlasHeight = -1;
  char lastTextAtlasFont[64] = {};

 private:
  // The held selected object is deleted unless a region owns it.
  void releaseSelectedObject();
  // Labels (labels.cpp): drawLabel with the own object of a label placed
  // round a point; one of the twelve places without the object's checks.
  // wholeInView refuses a place the viewport's edge would cut (answer
  // -1; 1 drawn, 0 refused otherwise).
  int placeLabel(const char* text, int alignment, bool check, float x, float y,
                 const LabelAnchor* own, bool wholeInView);
  int placeLabelAt(const char* text, int position, float x, float y, float r, bool wholeInView);
  bool isLabelNearerAnotherObject(float x, float y, float halfWidth, float halfHeight,
                                  const LabelAnchor& own) const;
  bool isScreenPointOnGround(float x, float y) const;
  // The object of a label placed at distance r round (x, y).
  LabelAnchor labelAnchorFor(float x, float y, float r) const;
  bool isLabelOnGround(float x, float y, float halfWidth, float halfHeight) const;
  // GL releases at a GL reset (frame step 5).
  void releaseGLResources();
  // The object's direction on the screen from the viewport centre, for the
  // pointer; false when it has none.
  bool screenDirectionOf(CSkyObject* object, double* dx, double* dy, double* distance);
  // Appends two GL_LINES vertices while there is room.
  void addLineSegment(float x1, float y1, float x2, float y2);
  // Draws the scratch buffer as GL_LINES with the constant colour, or the
  // feathered triangles with their colours.
  void drawLineBuffer();
  void setGridPen();
  // Altitude lowered by the refraction at it when refraction is on.
  double referenceAltitude(double altitude) const;
  // A tick across a line at `point` (the line coming from `previous`),
  // labelled beyond its end when a label is given; only inside the
  // viewport.
  void drawTickMark(const double point[3], const double previous[3], const char* label);
  // Hour ticks on the celestial equator; month and day ticks on the
  // ecliptic for the chart's year.
  void drawEquatorTicks();
  void drawEclipticTicks();
  // A plus sign and label at a point of the system when it is in view.
  void drawMarkedPoint(int system, const double point[3], const char* text);
  // A particle at a galactic place (parsecs about the Sun) of a kind,
  // with its kind's colour.
  void addGalaxyParticle(const double galactic[3], float size, std::uint32_t kind);
  void galaxyParticleColor(std::uint32_t kind, float rgb[3]);
  // Directions and distances from the observer, and the far-to-near order.
  void placeGalaxyParticles();
  // The observer's distance from the Sun in parsecs, and place about it.
  double observerDistanceParsecs() const;
  void observerPositionParsecs(double out[3]) const;
  // Loads the style's picture and makes its mesh after a change; true when
  // it is there.
  bool loadMilkyWayImage();
  void addMilkyWayCell(const TextureStyle& style, int r, int c);
  // Whether the constellation is the selected object.
  bool isConstellationSelected(const CConstellation* constellation) const;
  // Angle from the display centre to the constellation's (or asterism's)
  // position; whether its extent reaches into the field.
  double constellationAngleFromCentre(CConstellation* constellation);
  bool isConstellationInField(CConstellation* constellation);
  bool isConstellationRecordVisible(int i);
  void drawConstellationImageName(CConstellation* constellation);
  // A figure list of HR numbers (each plus `hrOffset`), ending at 0 or
  // `width`: negative entries start a line, positive ones draw arcs on.
  void drawFigureList(const std::int16_t* list, int width, int hrOffset);
  // The object's name by its position when that is in the viewport.
  bool drawNameNear(CSkyObject* object, const float rgb[3]);
  // The selected figure's marker at its position, with its name or none.
  void markSelectedFigure(CSkyObject* object, bool labelled);
  // Loads the named panorama after a change or a release; true when one
  // was loaded.
  bool loadHorizonPanorama();
  // The grid's directions and texture coordinates for this place and date.
  void computeHorizonGrid();
  // The two triangles of grid cell (r, c); with topU >= 0 the texture's u
  // runs from topU on its upper edge to bottomU on its lower one (v 0).
  void addHorizonCell(const TextureStyle& style, int r, int c, float topU, float bottomU);
  // On the horizon chart, near the ground.
  bool isHorizonShown() const;
  // The Moon's cover of the Sun as the observer sees it (eclipseFactor).
  void updateEclipseFactor();
  // Altitude (radians) of the visible horizon: 0 near the ground, lower
  // with height over the home body (the Earth without one).
  double horizonDip() const;
};

// Display limit of a magnitude at a field of view: base + 3.96 log10(pi/2 /
// (field / scale)); minus infinity when scale <= 0. And its inverse.
float magnitudeLimitForField(float base, double field, float scale);
float baseMagnitudeForField(float limit, double field, float scale);

// Colour helpers: three channels; out = clamp(in x factor, 0, 1); out = a
// (1 - t) + b t per channel.
void setColor3(float out[3], float r, float g, float b);
void scaleColor(float out[3], const float in[3], float factor);
void mixColor(float out[3], const float a[3], const float b[3], float t);
// The 256 x 1 glare gradient: texel i is 255 (i / 255)^exponent times
// `rgb`, opaque; false, with the record cleared, when it cannot be made.
bool makeGlareTexture(const float rgb[3], TextureData* texture, float exponent);
