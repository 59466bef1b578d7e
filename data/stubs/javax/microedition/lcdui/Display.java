// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

import javax.microedition.midlet.MIDlet;

public class Display {
    private Display() {
    }

    public static Display getDisplay(MIDlet midlet) {
        return null;
    }

    public void setCurrent(Displayable displayable) {
    }
}
// SPDX-License-Identifier: MIT
