// The text operations on shader sources that the converter and the GL
// layer's shader objects share.
#include <gtest/gtest.h>

#include <string>

#include "shadercompiler/optimizer/source_text.h"

namespace {

std::string stripped(std::string text, void (*operation)(std::string &)) {
  operation(text);
  return text;
}

TEST(SourceText, TrimmingRemovesWhiteSpaceAndLineBreaksAtBothEnds) {
  EXPECT_EQ(asTrimmedString(" \t\r\n\v\fa b\n \t"), "a b");
  EXPECT_EQ(asTrimmedString(""), "");
  EXPECT_EQ(asTrimmedString(" \n "), "");
  EXPECT_EQ(asTrimmedString("x"), "x");
}

TEST(SourceText, CommentsOfBothKindsGoInOneScan) {
  EXPECT_EQ(stripped("a // b\nc", stripSourceCodeComments), "a \nc");
  EXPECT_EQ(stripped("a /* b\n b */ c", stripSourceCodeComments), "a  c");
  // A // inside a /* */ comment does not open a line comment, nor does the
  // comment swallow the code up to a later */.
  EXPECT_EQ(stripped("/* see http://x */ code(); /* more */ end", stripSourceCodeComments),
            " code();  end");
  EXPECT_EQ(stripped("a // x /* y\nb */ c", stripSourceCodeComments), "a \nb */ c");
  EXPECT_EQ(stripped("keep /* open", stripSourceCodeComments), "keep /* open");
  EXPECT_EQ(stripped("a/**/b//", stripSourceCodeComments), "ab");
}

TEST(SourceText, RunsOfThreeOrMoreLineBreaksCollapseToOneBlankLine) {
  EXPECT_EQ(stripped("a\n\nb", stripExtraBlankLines), "a\n\nb");
  EXPECT_EQ(stripped("a\n\n\nb", stripExtraBlankLines), "a\n\nb");
  EXPECT_EQ(stripped("a\n  \n\t\n \n  b", stripExtraBlankLines), "a\n\n  b");
  EXPECT_EQ(stripped("a\n\n\nb\n\n\n\nc", stripExtraBlankLines), "a\n\nb\n\nc");
  EXPECT_EQ(stripped("\n\n\n", stripExtraBlankLines), "\n\n");
}

TEST(SourceText, PrecisionStatementsGoWithoutTheirNeighbours) {
  EXPECT_EQ(stripped("precision mediump float;\nvoid main() {}", stripGLSLPrecision),
            "\nvoid main() {}");
  // Code after a statement on its line stays, and so do names that begin
  // with the word.
  EXPECT_EQ(stripped("precision highp float; uniform float precisionScale;", stripGLSLPrecision),
            " uniform float precisionScale;");
  EXPECT_EQ(stripped("float precision_1 = 1.0;", stripGLSLPrecision), "float precision_1 = 1.0;");
  // A statement across lines keeps its line feeds, so lines keep numbers.
  EXPECT_EQ(stripped("precision\n  lowp\n  sampler2D ;x", stripGLSLPrecision), "\n\nx");
  EXPECT_EQ(stripped("uniform lowp vec4 c; highp float f; mediump_x", stripGLSLPrecision),
            "uniform  vec4 c;  float f; mediump_x");
  // Not a statement: only the qualifier goes.
  EXPECT_EQ(stripped("precision highp;", stripGLSLPrecision), "precision ;");
}

TEST(SourceText, VersionDirectivesAreFoundWhereverTheyStartALine) {
  EXPECT_TRUE(hasGLSLVersionDirective("#version 100\n"));
  EXPECT_TRUE(hasGLSLVersionDirective("  #version 100"));
  EXPECT_TRUE(hasGLSLVersionDirective("# version 100"));
  EXPECT_TRUE(hasGLSLVersionDirective("// c\n\t#\tversion 120\n"));
  EXPECT_FALSE(hasGLSLVersionDirective("/*\n#version 100\n*/ void main() {}"));
  EXPECT_FALSE(hasGLSLVersionDirective("// #version 100"));
  EXPECT_FALSE(hasGLSLVersionDirective("#versions"));
  EXPECT_FALSE(hasGLSLVersionDirective("x #version 100"));
  EXPECT_FALSE(hasGLSLVersionDirective(""));
}

}  // namespace
