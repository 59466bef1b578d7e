// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.lcdui;

public class TextField {
    public static final int ANY = 0;
    public static final int UNEDITABLE = 0x20000;

    private TextField() {
    }
}
// SPDX-License-Identifier: MIT
