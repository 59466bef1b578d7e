// Compile-time stand-in for the MIDP class; never packed into a suite.
package javax.microedition.midlet;

public class MIDletStateChangeException extends Exception {
    public MIDletStateChangeException() {
    }
}
// SPDX-License-Identifier: MIT
