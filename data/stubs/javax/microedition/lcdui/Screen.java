// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

public abstract class Screen extends Displayable {
    Screen() {
    }
}
// SPDX-License-Identifier: MIT
