// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

public class TextBox extends Screen {
    public TextBox(String title, String text, int maxSize, int constraints) {
    }
}
// SPDX-License-Identifier: MIT
